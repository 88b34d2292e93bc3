#pragma once

#include "LoginCheck.h"
#include "LoginThrottle.h"
#include "SessionEnds.h"
#include "SessionRegistry.h"
#include "WireProtocol.h"

#include <atomic>
#include <optional>

class Database;
struct ConnectionSession;

// Who may use the server. A connection first logs in (user and password) or resumes a session
// it got from an earlier login, through the session module; every other call is answered only
// for a live session whose role allows the method.
class Gatekeeper
{
public:
    static constexpr const char *SessionModule = "KZR.Sessao";

    explicit Gatekeeper(std::chrono::seconds idleTime) : m_sessions(idleTime) {}

    // A call to the session module: login ["user", "password"] answers [token, role, idle
    // seconds]; resume ["token"] answers [user, role]; logout [] ends the connection's session
    // on every server and answers null. Throws CallFault on wrong arguments.
    Variant sessionCall(const wire::Request &request, ConnectionSession &caller, Database &db);

    // The refusal to answer instead of running the method; nullopt when the caller may call it.
    // After a resume it first reads the user from the database, under the request's deadline:
    // a database that cannot be reached throws its failure, which answers the call and leaves
    // the session alive.
    std::optional<Variant> refusal(const QString &method, ConnectionSession &caller, Database &db);

    // Names the server does not know are checked against this directory; before serving.
    void useDirectory(const DirectorySettings &settings) { m_check.useDirectory(settings); }

    quint64 refusedLogins() const { return m_refusedLogins.load(std::memory_order_relaxed); }
    int liveSessions() { return m_sessions.live(); }

private:
    Variant login(const QString &user, const QString &password, ConnectionSession &caller,
                  Database &db);
    Variant resume(const QString &token, ConnectionSession &caller, Database &db);

    SessionRegistry m_sessions;
    LoginCheck m_check;
    SessionEnds m_ends;
    LoginThrottle m_throttle;
    std::atomic<quint64> m_refusedLogins{0};
};
