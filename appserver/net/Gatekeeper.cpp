#include "Gatekeeper.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "MethodCall.h"
#include "ServerFailure.h"
#include "UserStore.h"

namespace {

using Kind = Parameter::Kind;
const Parameter UserArg{QStringLiteral("usuário"), Kind::Text, UserStore::MaxNameLength};
const Parameter PasswordArg{QStringLiteral("senha"), Kind::Text, 1024};
const Parameter TokenArg{QStringLiteral("sessão"), Kind::Text, 128};

} // namespace

Variant Gatekeeper::sessionCall(const wire::Request &request, ConnectionSession &caller,
                                Database &db)
{
    if (request.method == QLatin1String("login")) {
        const MethodCall call(request.method, {UserArg, PasswordArg}, request.args);
        return login(call.text(0), call.text(1), caller, db);
    }
    if (request.method == QLatin1String("resume")) {
        const MethodCall call(request.method, {TokenArg}, request.args);
        return resume(call.text(0), caller, db);
    }
    throw CallFault(QStringLiteral("O módulo %1 não tem o método \"%2\".")
                        .arg(QLatin1String(SessionModule), request.method));
}

Variant Gatekeeper::login(const QString &user, const QString &password, ConnectionSession &caller,
                          Database &db)
{
    caller = ConnectionSession{}; // a new login ends whatever this connection was before
    const std::optional<UserStore::User> found = UserStore(db).authenticate(user, password);
    if (!found) {
        caller.replyDelayMs = m_throttle.failed(user);
        m_refusedLogins.fetch_add(1, std::memory_order_relaxed);
        return server_failure::make(QStringLiteral("Usuário ou senha inválidos."));
    }
    m_throttle.succeeded(user);
    caller.token = m_sessions.open({found->name, found->role});
    caller.user = found->name;
    caller.role = found->role;
    return VarArrayOf({Variant(caller.token), Variant(roles::name(found->role)),
                       Variant(qint64(m_sessions.idleTime().count()))});
}

Variant Gatekeeper::resume(const QString &token, ConnectionSession &caller, Database &db)
{
    caller = ConnectionSession{};
    const std::optional<SessionRegistry::Session> session = m_sessions.use(token);
    // A user removed since the login is gone for good; a changed role counts from now on.
    const std::optional<UserStore::User> user =
        session ? UserStore(db).find(session->user) : std::nullopt;
    if (!user)
        return server_failure::sessionEnded(
            QStringLiteral("A sessão terminou (expirou por inatividade ou o servidor foi "
                           "reiniciado). Entre novamente com usuário e senha."));
    caller.token = token;
    caller.user = user->name;
    caller.role = user->role;
    return VarArrayOf({Variant(user->name), Variant(roles::name(user->role))});
}

std::optional<Variant> Gatekeeper::refusal(const QString &method, ConnectionSession &caller)
{
    if (caller.token.isEmpty())
        return server_failure::sessionEnded(
            QStringLiteral("É necessário entrar com usuário e senha antes de chamar \"%1\".")
                .arg(method));
    if (!m_sessions.use(caller.token)) {
        caller = ConnectionSession{};
        return server_failure::sessionEnded(
            QStringLiteral("A sessão expirou por inatividade. Entre novamente com usuário e "
                           "senha."));
    }
    if (!roles::allows(caller.role, method))
        return server_failure::make(
            QStringLiteral("O usuário \"%1\" tem permissão somente de leitura e não pode "
                           "chamar \"%2\". Nada foi gravado.")
                .arg(caller.user, method));
    return std::nullopt;
}
