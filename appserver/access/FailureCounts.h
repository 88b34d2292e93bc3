#pragma once

#include <QHash>
#include <QString>
#include <set>
#include <tuple>

// Failed logins counted per key (a user name, a client address) in a table of fixed size. When
// it is full, the key with the fewest failures goes first, the least recently failed of those:
// a flood of made-up keys, one failure each, pushes out only its own kind, never a key that is
// under a sustained attack. Not thread-safe: LoginThrottle holds the lock.
class FailureCounts
{
public:
    explicit FailureCounts(qsizetype capacity) : m_capacity(capacity) {}

    int add(const QString &key); // the failures of the key, this one included
    int count(const QString &key) const;
    void forget(const QString &key);
    qsizetype size() const { return m_entries.size(); }

private:
    struct Entry
    {
        int failures = 0;
        quint64 stamp = 0; // when it last failed, in the order of failures
    };
    using Rank = std::tuple<int, quint64, QString>; // the order of going: fewest, then oldest

    const qsizetype m_capacity;
    quint64 m_clock = 0;
    QHash<QString, Entry> m_entries;
    std::set<Rank> m_ranks;
};
