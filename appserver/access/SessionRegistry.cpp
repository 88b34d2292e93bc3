#include "SessionRegistry.h"

#include <QRandomGenerator>
#include <algorithm>

QString SessionRegistry::open(const Session &session)
{
    // 256 bits from the system's cryptographic source: a token nobody can guess.
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    QString token = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof words)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    const Clock::time_point now = Clock::now();
    QMutexLocker lock(&m_mutex);
    forgetIdle(now);
    m_sessions.insert(token, {session, now});
    return token;
}

std::optional<SessionRegistry::Session> SessionRegistry::use(const QString &token)
{
    const Clock::time_point now = Clock::now();
    QMutexLocker lock(&m_mutex);
    auto found = m_sessions.find(token);
    if (found == m_sessions.end()) return std::nullopt;
    if (now - found->lastUse > m_idleTime) {
        m_sessions.remove(token);
        return std::nullopt;
    }
    found->lastUse = now;
    return found->session;
}

void SessionRegistry::forgetIdle(Clock::time_point now)
{
    // Now and then, so that abandoned sessions do not pile up.
    if (now - m_lastSweep < m_idleTime) return;
    m_lastSweep = now;
    m_sessions.removeIf([&](const auto &it) { return now - it.value().lastUse > m_idleTime; });
}

int SessionRegistry::live()
{
    const Clock::time_point now = Clock::now();
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_sessions.cbegin(), m_sessions.cend(),
                             [&](const Entry &e) { return now - e.lastUse <= m_idleTime; }));
}

void SessionRegistry::endUser(const QString &user)
{
    QMutexLocker lock(&m_mutex);
    m_sessions.removeIf([&](const auto &it) { return it.value().session.user == user; });
}
