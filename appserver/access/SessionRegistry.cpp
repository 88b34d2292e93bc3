#include "SessionRegistry.h"

#include "Exceptions.h"
#include "SessionStore.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>

namespace {

// A session in use is written to the database at most this often; less for a short idle time,
// so that its last use there never lags by more than a quarter of it.
constexpr std::chrono::seconds LongestTouchPeriod{15};

qint64 wallMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

SessionRegistry::SessionRegistry(std::chrono::seconds idleTime)
    : m_idleTime(idleTime), m_touchPeriod(std::min(LongestTouchPeriod, idleTime / 4))
{
}

QString SessionRegistry::open(const Session &session, Database &db)
{
    // 256 bits from the system's cryptographic source: a token nobody can guess.
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    QString token = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof words)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    const Clock::time_point now = Clock::now();
    forgetIdle(now, db);
    SessionStore(db).add(token, {session.user, session.role, session.origin}, wallMs());
    QMutexLocker lock(&m_mutex);
    m_sessions.insert(token, {session, now, now});
    return token;
}

std::optional<SessionRegistry::Session> SessionRegistry::use(const QString &token, Database &db)
{
    const Clock::time_point now = Clock::now();
    std::optional<Session> known;
    {
        QMutexLocker lock(&m_mutex);
        auto found = m_sessions.find(token);
        if (found != m_sessions.end() && fresh(*found, now)) {
            found->lastUse = now;
            if (now - found->checked < m_touchPeriod) return found->session;
            known = found->session;
        }
    }
    std::optional<SessionStore::Stored> stored;
    try {
        stored = SessionStore(db).touch(token, wallMs(), std::chrono::milliseconds(m_idleTime).count());
    } catch (const Exception &) {
        if (known) return known; // a session known here outlives an outage of the database
        throw;
    }
    QMutexLocker lock(&m_mutex);
    if (!stored) {
        m_sessions.remove(token);
        return std::nullopt;
    }
    const Session session{stored->user, stored->role, stored->origin};
    m_sessions.insert(token, {session, now, now});
    return session;
}

void SessionRegistry::end(const QString &token, Database &db)
{
    {
        QMutexLocker lock(&m_mutex);
        m_sessions.remove(token);
    }
    SessionStore(db).end(token);
}

void SessionRegistry::forgetIdle(Clock::time_point now, Database &db)
{
    // Now and then, so that abandoned sessions do not pile up, here or in the database.
    {
        QMutexLocker lock(&m_mutex);
        if (now - m_lastSweep < m_idleTime) return;
        m_lastSweep = now;
        m_sessions.removeIf([&](const QHash<QString, Entry>::iterator &it) { return !fresh(*it, now); });
    }
    SessionStore(db).forgetIdle(wallMs(), std::chrono::milliseconds(m_idleTime).count());
}

int SessionRegistry::live()
{
    const Clock::time_point now = Clock::now();
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_sessions.cbegin(), m_sessions.cend(),
                             [&](const Entry &e) { return fresh(e, now); }));
}

void SessionRegistry::endUser(const QString &user)
{
    QMutexLocker lock(&m_mutex);
    m_sessions.removeIf(
        [&](const QHash<QString, Entry>::iterator &it) { return it->session.user == user; });
}
