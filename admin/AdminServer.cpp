#include "AdminServer.h"

#include "Exceptions.h"
#include "PasswordInput.h"
#include "ServerLogin.h"
#include "TNetConnection.h"

namespace {

QString password(const QString &passwordFile, const QString &user)
{
    if (!passwordFile.isEmpty()) {
        QString error;
        const std::optional<QString> line = PasswordInput::firstLineOf(passwordFile, &error);
        if (!line) throw Exception(error);
        return *line;
    }
    if (qEnvironmentVariableIsSet("KZR_PASSWORD")) return qEnvironmentVariable("KZR_PASSWORD");
    return PasswordInput::fromStandardInput(QStringLiteral("Senha de %1: ").arg(user), false);
}

} // namespace

ServerAccess AdminServer::access() const
{
    if (m_access.sessionToken.isEmpty()) {
        m_access = trust;
        if (user.isEmpty())
            throw Exception(QStringLiteral("Informe o usuário com que entrar no servidor (--user)."));
        const ServerLogin::Session session = ServerLogin::login(
            host, port, m_access, user, password(passwordFile, user), timeoutMs);
        m_access.sessionToken = session.token;
        m_access.readOnly = session.role == QLatin1String("read-only");
    }
    return m_access;
}

std::unique_ptr<TNetConnection> AdminServer::connect(const QString &module) const
{
    auto connection = std::make_unique<TNetConnection>(nullptr, module);
    connection->SetServerName(module);
    connection->SetHost(host);
    connection->SetPort(port);
    connection->SetTimeoutMs(timeoutMs);
    connection->SetAccess(access());
    connection->SetThrowException(true);
    connection->SetConnected(true);
    return connection;
}
