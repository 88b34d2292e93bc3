#pragma once

#include <QHash>
#include <QString>
#include <chrono>
#include <set>
#include <tuple>

// Failed logins counted per key (a user name, a client address) in a table of fixed size. When
// it is full, the key with the fewest failures goes first, the least recently failed of those:
// a flood of made-up keys, one failure each, pushes out only its own kind, never a key that is
// under a sustained attack. Not thread-safe: LoginThrottle holds the lock.
class FailureCounts
{
public:
    using Clock = std::chrono::steady_clock;

    explicit FailureCounts(qsizetype capacity) : m_capacity(capacity) {}

    // The failures of the key, this one included; those of a key held back for the last time
    // before `stale` are forgotten first.
    int add(const QString &key, Clock::time_point stale = Clock::time_point::min());
    // Until when the key is held back (FailureCounts only keeps it): the past for none.
    void holdUntil(const QString &key, Clock::time_point until);
    Clock::time_point heldUntil(const QString &key) const;
    int count(const QString &key) const;
    void forget(const QString &key);
    qsizetype size() const { return m_entries.size(); }

private:
    struct Entry
    {
        int failures = 0;
        quint64 stamp = 0; // when it last failed, in the order of failures
        Clock::time_point until;
    };
    using Rank = std::tuple<int, quint64, QString>; // the order of going: fewest, then oldest

    const qsizetype m_capacity;
    quint64 m_clock = 0;
    QHash<QString, Entry> m_entries;
    std::set<Rank> m_ranks;
};
