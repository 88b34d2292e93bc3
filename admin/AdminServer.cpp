#include "AdminServer.h"

#include "Exceptions.h"
#include "ServerLogin.h"
#include "TNetConnection.h"

#include <QFile>

namespace {

QString password(const QString &passwordFile)
{
    if (passwordFile.isEmpty()) return qEnvironmentVariable("KZR_PASSWORD");
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Não foi possível ler o arquivo de senha %1.").arg(passwordFile));
    return QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
}

} // namespace

ServerAccess AdminServer::access() const
{
    if (m_access.sessionToken.isEmpty()) {
        if (user.isEmpty())
            throw Exception(
                QStringLiteral("Informe o usuário com que entrar no servidor (--user)."));
        m_access.sessionToken =
            ServerLogin::login(host, port, m_access, user, password(passwordFile), timeoutMs).token;
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
