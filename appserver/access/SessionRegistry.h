#pragma once

#include "Role.h"
#include "UserOrigin.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <chrono>
#include <optional>

class Database;

// The sessions of logged-in users, by their random token. A session ends when it has not been
// used for the idle time. Kept in the database (SessionStore), so that any server on it resumes
// any session and a restart ends none, and in this server's memory: a session known here goes
// on while the database is down, and is checked against the database (and its last use
// written there) at most once every touch period, not at every call. A session ended elsewhere
// (a logout on another server, a changed password) ends here within that period. Shared by
// every worker.
class SessionRegistry
{
public:
    using Clock = std::chrono::steady_clock;

    struct Session
    {
        QString user;
        Role role = Role::ReadOnly;
        UserOrigin origin = UserOrigin::Local;
    };

    explicit SessionRegistry(std::chrono::seconds idleTime);

    // The new session's token; stored first, so a database that cannot store it throws.
    QString open(const Session &session, Database &db);
    // The session of the token, marked as used now; nullopt when there is none or it has ended
    // (it is then forgotten). A token not known here is looked up in the database, whose
    // failure is thrown: an outage is no reason to log in again. A session known here answers
    // from memory when the database fails.
    std::optional<Session> use(const QString &token, Database &db);
    // Logging out: the session ends on every server. Throws when the database cannot be told.
    void end(const QString &token, Database &db);
    std::chrono::seconds idleTime() const { return m_idleTime; }
    // How long a session known here goes without a look at the database.
    std::chrono::seconds touchPeriod() const { return m_touchPeriod; }
    int live(); // sessions used here within the idle time
    // Every session of the user ends here now; the database's rows are the caller's.
    void endUser(const QString &user);

private:
    struct Entry
    {
        Session session;
        Clock::time_point lastUse;
        Clock::time_point checked; // last found alive in the database
    };
    void forgetIdle(Clock::time_point now, Database &db);
    bool fresh(const Entry &entry, Clock::time_point now) const
    {
        return now - entry.lastUse <= m_idleTime;
    }

    const std::chrono::seconds m_idleTime;
    const std::chrono::seconds m_touchPeriod;
    QMutex m_mutex;
    QHash<QString, Entry> m_sessions;
    Clock::time_point m_lastSweep = Clock::now();
};
