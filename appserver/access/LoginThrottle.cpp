#include "LoginThrottle.h"

#include <algorithm>

int LoginThrottle::failed(const QString &user, const QString &address)
{
    QMutexLocker lock(&m_mutex);
    const int failures = std::max(m_names.add(user), m_addresses.add(address));
    const qint64 delay = qint64(m_baseDelayMs) << std::min(failures - 1, 16);
    return int(std::min<qint64>(delay, MaxDelayMs));
}

void LoginThrottle::succeeded(const QString &user, const QString &address)
{
    QMutexLocker lock(&m_mutex);
    m_names.forget(user);
    m_addresses.forget(address);
}
