#include "Gatekeeper.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "LoginRecord.h"
#include "MethodCall.h"
#include "ServerFailure.h"
#include "UserStore.h"

namespace {

using Kind = Parameter::Kind;
const Parameter UserArg{QStringLiteral("usuário"), Kind::Text, UserStore::MaxNameLength};
const Parameter PasswordArg{QStringLiteral("senha"), Kind::Text, 1024};
const Parameter TokenArg{QStringLiteral("sessão"), Kind::Text, 128};

Variant sessionOver()
{
    return server_failure::sessionEnded(
        QStringLiteral("A sessão terminou (expirou por inatividade, foi encerrada ou a "
                       "senha foi trocada). Entre novamente com usuário e senha."));
}

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
    if (request.method == QLatin1String("logout")) {
        const MethodCall noArguments(request.method, {}, request.args); // refuses any
        if (!caller.token.isEmpty()) m_sessions.end(caller.token, db);
        caller.end();
        return Variant::Null();
    }
    throw CallFault(QStringLiteral("O módulo %1 não tem o método \"%2\".")
                        .arg(QLatin1String(SessionModule), request.method));
}

Variant Gatekeeper::login(const QString &user, const QString &password, ConnectionSession &caller,
                          Database &db)
{
    caller.end(); // a new login ends whatever this connection was before
    const LoginCheck::Outcome found = m_check.check(db, user, password);
    if (found.kind == LoginCheck::Outcome::Kind::Outage) {
        LoginRecord(db).write(user, caller.address, found.origin, std::nullopt);
        return server_failure::make(LoginCheck::outageText());
    }
    if (!found.accepted()) {
        caller.replyDelayMs = m_throttle.failed(user, caller.address);
        LoginRecord(db).write(user, caller.address, found.origin, std::nullopt);
        m_refusedLogins.fetch_add(1, std::memory_order_relaxed);
        return server_failure::make(QStringLiteral("Usuário ou senha inválidos."));
    }
    m_throttle.succeeded(user, caller.address);
    LoginRecord(db).write(user, caller.address, found.origin, found.role);
    caller.token = m_sessions.open({user, found.role, found.origin}, db);
    caller.user = user;
    caller.role = found.role;
    caller.origin = found.origin;
    caller.userConfirmed = true;
    return VarArrayOf({Variant(caller.token), Variant(roles::name(found.role)),
                       Variant(qint64(m_sessions.idleTime().count()))});
}

Variant Gatekeeper::resume(const QString &token, ConnectionSession &caller, Database &db)
{
    // A session known here answers without the database, so it outlives an outage of it; one
    // first seen here is looked up, and an outage is then the answer, not a new login.
    caller.end();
    const std::optional<SessionRegistry::Session> session = m_sessions.use(token, db);
    if (!session) return sessionOver();
    caller.token = token;
    caller.user = session->user;
    caller.role = session->role;
    caller.origin = session->origin;
    return VarArrayOf({Variant(session->user), Variant(roles::name(session->role))});
}

std::optional<Variant> Gatekeeper::refusal(const QString &method, ConnectionSession &caller,
                                           Database &db)
{
    if (caller.token.isEmpty())
        return server_failure::sessionEnded(
            QStringLiteral("É necessário entrar com usuário e senha antes de chamar \"%1\".")
                .arg(method));
    for (const QString &ended : m_ends.due(db))
        m_sessions.endUser(ended);
    if (!m_sessions.use(caller.token, db)) {
        caller.end();
        return server_failure::sessionEnded(
            QStringLiteral("A sessão expirou por inatividade. Entre novamente com usuário e "
                           "senha."));
    }
    if (!caller.userConfirmed && caller.origin == UserOrigin::Directory) {
        // The directory gave the role at the login; the operator ends such sessions.
        caller.userConfirmed = true;
    } else if (!caller.userConfirmed) {
        // A user removed since the login is gone for good; a changed role counts from now on.
        const std::optional<UserStore::User> user = UserStore(db).find(caller.user);
        if (!user) {
            caller.end();
            return sessionOver();
        }
        caller.role = user->role;
        caller.userConfirmed = true;
    }
    if (!roles::allows(caller.role, method))
        return server_failure::make(
            QStringLiteral("O usuário \"%1\" tem permissão somente de leitura e não pode "
                           "chamar \"%2\". Nada foi gravado.")
                .arg(caller.user, method));
    return std::nullopt;
}
