#include "LoginThrottle.h"

#include <algorithm>

std::chrono::milliseconds LoginThrottle::heldBack(const QString &user, const QString &address,
                                                  Clock::time_point now)
{
    QMutexLocker lock(&m_mutex);
    const Clock::time_point until =
        std::max(m_names.heldUntil(user), m_addresses.heldUntil(address));
    if (until <= now) return std::chrono::milliseconds(0);
    // Rounded up: a login that comes as soon as it is told to is past the wait.
    return std::chrono::ceil<std::chrono::milliseconds>(until - now);
}

int LoginThrottle::failed(const QString &user, const QString &address, Clock::time_point now)
{
    QMutexLocker lock(&m_mutex);
    const int failures = std::max(m_names.add(user, now - ForgetAfter),
                                  m_addresses.add(address, now - ForgetAfter));
    const qint64 delay =
        std::min<qint64>(qint64(m_baseDelayMs) << std::min(failures - 1, 16), MaxDelayMs);
    const Clock::time_point until = now + std::chrono::milliseconds(delay);
    m_names.holdUntil(user, until);
    m_addresses.holdUntil(address, until);
    return int(delay);
}

void LoginThrottle::succeeded(const QString &user)
{
    QMutexLocker lock(&m_mutex);
    m_names.forget(user);
}
