#include "LoginThrottle.h"

#include <algorithm>

int LoginThrottle::failed(const QString &user)
{
    QMutexLocker lock(&m_mutex);
    // Bounded so that a flood of made-up names cannot grow the table without end.
    if (m_failures.size() > 100000) m_failures.clear();
    const int failures = ++m_failures[user];
    const qint64 delay = qint64(m_baseDelayMs) << std::min(failures - 1, 16);
    return int(std::min<qint64>(delay, MaxDelayMs));
}

void LoginThrottle::succeeded(const QString &user)
{
    QMutexLocker lock(&m_mutex);
    m_failures.remove(user);
}
