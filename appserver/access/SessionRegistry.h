#pragma once

#include "Role.h"
#include "UserOrigin.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <chrono>
#include <optional>

// The sessions of logged-in users, by their random token. A session ends when it has not been
// used for the idle time. Shared by every worker; kept in memory, so a restart of the server
// ends every session.
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

    explicit SessionRegistry(std::chrono::seconds idleTime) : m_idleTime(idleTime) {}

    QString open(const Session &session); // the new session's token
    // The session of the token, marked as used now; nullopt when there is none or it has
    // been idle too long (it is then forgotten).
    std::optional<Session> use(const QString &token);
    // The session ends now (a logout).
    void close(const QString &token)
    {
        QMutexLocker lock(&m_mutex);
        m_sessions.remove(token);
    }
    std::chrono::seconds idleTime() const { return m_idleTime; }
    int live(); // sessions used within the idle time
    void endUser(const QString &user); // every session of the user ends now

private:
    struct Entry
    {
        Session session;
        Clock::time_point lastUse;
    };
    void forgetIdle(Clock::time_point now);

    const std::chrono::seconds m_idleTime;
    QMutex m_mutex;
    QHash<QString, Entry> m_sessions;
    Clock::time_point m_lastSweep = Clock::now();
};
