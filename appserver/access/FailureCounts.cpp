#include "FailureCounts.h"

#include <limits>

int FailureCounts::add(const QString &key, Clock::time_point stale)
{
    auto found = m_entries.find(key);
    if (found != m_entries.end() && found->until < stale) {
        forget(key);
        found = m_entries.end();
    }
    if (found == m_entries.end()) {
        if (m_entries.size() >= m_capacity && !m_ranks.empty()) {
            m_entries.remove(std::get<QString>(*m_ranks.begin()));
            m_ranks.erase(m_ranks.begin());
        }
        found = m_entries.insert(key, Entry{});
    } else {
        m_ranks.erase(Rank{found->failures, found->stamp, key});
    }
    if (found->failures < std::numeric_limits<int>::max()) ++found->failures;
    found->stamp = ++m_clock;
    m_ranks.insert(Rank{found->failures, found->stamp, key});
    return found->failures;
}

int FailureCounts::count(const QString &key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? 0 : found->failures;
}

void FailureCounts::forget(const QString &key)
{
    const auto found = m_entries.constFind(key);
    if (found == m_entries.cend()) return;
    m_ranks.erase(Rank{found->failures, found->stamp, key});
    m_entries.erase(found);
}

void FailureCounts::holdUntil(const QString &key, Clock::time_point until)
{
    const auto found = m_entries.find(key);
    if (found != m_entries.end()) found->until = until;
}

FailureCounts::Clock::time_point FailureCounts::heldUntil(const QString &key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? Clock::time_point::min() : found->until;
}
