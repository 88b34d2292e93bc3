#include "ServerLogin.h"

#include "ServerFailure.h"
#include "TNetConnection.h"

ServerLogin::Session ServerLogin::login(const QString &host, int port, const ServerAccess &access,
                                        const QString &user, const QString &password,
                                        int timeoutMs)
{
    TNetConnection connection(nullptr, QStringLiteral("login"));
    ServerAccess withoutSession = access;
    withoutSession.sessionToken.clear();
    connection.SetAccess(withoutSession);
    connection.SetServerName(QStringLiteral("KZR.Sessao"));
    connection.SetHost(host);
    connection.SetPort(port);
    connection.SetTimeoutMs(timeoutMs);
    connection.SetConnected(true);
    const Variant reply =
        connection.AppServer().Call(QStringLiteral("login"), {RemoteArg(user), RemoteArg(password)});
    if (server_failure::is(reply)) throw ELoginRefused(server_failure::message(reply));
    const bool wellFormed = reply.kind() == Variant::Kind::Array && reply.items().size() == 3 &&
                            reply.items()[0].kind() == Variant::Kind::Text;
    if (!wellFormed)
        throw EConnectionError(QStringLiteral("Resposta inesperada do servidor ao entrar."));
    return {reply.items()[0].toString(), reply.items()[1].toString(),
            int(reply.items()[2].toInteger())};
}
