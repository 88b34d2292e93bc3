#include "Gatekeeper.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "LoginJournal.h"
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
        QStringLiteral("A sessão terminou (expirou por inatividade ou o servidor foi "
                       "reiniciado). Entre novamente com usuário e senha."));
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
        return resume(call.text(0), caller);
    }
    if (request.method == QLatin1String("logout")) {
        const MethodCall call(request.method, {}, request.args);
        m_sessions.close(caller.token);
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
    // Decided before the password is looked at: while held back, the right one fails too.
    if (const auto wait = m_throttle.heldBack(user, caller.address); wait.count() > 0) {
        caller.replyDelayMs = int(wait.count()); // answered when it could have been checked
        record(db, user, caller.address, LoginRecord::Outcome::HeldBack, m_check.origin(db, user),
               std::nullopt);
        m_heldBackLogins.fetch_add(1, std::memory_order_relaxed);
        return server_failure::make(
            QStringLiteral("Tentativas de entrada recusadas demais deste usuário ou deste "
                           "endereço: a senha não foi verificada. Tente novamente."));
    }
    m_passwordChecks.fetch_add(1, std::memory_order_relaxed);
    const LoginCheck::Outcome found = m_check.check(db, user, password);
    if (found.kind == LoginCheck::Outcome::Kind::Outage) {
        // Not the caller's failure: the throttle does not count it.
        record(db, user, caller.address, LoginRecord::Outcome::Refused, found.origin,
               std::nullopt);
        return server_failure::make(LoginCheck::outageText());
    }
    if (!found.accepted()) {
        caller.replyDelayMs = m_throttle.failed(user, caller.address);
        record(db, user, caller.address, LoginRecord::Outcome::Refused, found.origin,
               std::nullopt);
        m_refusedLogins.fetch_add(1, std::memory_order_relaxed);
        return server_failure::make(QStringLiteral("Usuário ou senha inválidos."));
    }
    m_throttle.succeeded(user);
    record(db, user, caller.address, LoginRecord::Outcome::Accepted, found.origin, found.role);
    caller.token = m_sessions.open({user, found.role, found.origin});
    caller.user = user;
    caller.role = found.role;
    caller.origin = found.origin;
    caller.userConfirmed = true;
    return VarArrayOf({Variant(caller.token), Variant(roles::name(found.role)),
                       Variant(qint64(m_sessions.idleTime().count()))});
}

void Gatekeeper::record(Database &db, const QString &user, const QString &address,
                        LoginRecord::Outcome outcome, UserOrigin origin, std::optional<Role> role)
{
    if (m_journal)
        m_journal->record(user, address, outcome, origin, role);
    else
        LoginRecord(db).write(user, address, outcome, origin, role);
}

Variant Gatekeeper::resume(const QString &token, ConnectionSession &caller)
{
    // Nothing here waits for the database: a session outlives an outage of it.
    caller.end();
    const std::optional<SessionRegistry::Session> session = m_sessions.use(token);
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
    if (!m_sessions.use(caller.token)) {
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
