#pragma once

#include <QHash>
#include <QString>
#include <list>
#include <optional>
#include <utility>
#include <vector>

// What a connection keeps of the statements it prepared, by their text, up to a fixed number:
// the texts come from clients (a table and columns a read-only user names), so past that number
// the statement used least recently goes, and its owner lets go of what it holds for it.
template <typename Value>
class RecentStatements
{
public:
    // Enough for the server's own statements and a few tables analysed at once.
    static constexpr qsizetype DefaultCapacity = 128;

    explicit RecentStatements(qsizetype capacity = DefaultCapacity) : m_capacity(capacity) {}

    // The statement kept for the text, now the most recently used; nullptr when none is.
    Value *find(const QString &sql)
    {
        const auto found = m_index.constFind(sql);
        if (found == m_index.cend()) return nullptr;
        m_order.splice(m_order.begin(), m_order, found.value());
        return &m_order.front().second;
    }

    // Keeps it as the most recently used; returns what went to make room, for its owner to free.
    std::vector<Value> keep(const QString &sql, Value value)
    {
        std::vector<Value> gone;
        if (std::optional<Value> old = take(sql)) gone.push_back(std::move(*old));
        m_order.emplace_front(sql, std::move(value));
        m_index.insert(sql, m_order.begin());
        while (m_order.size() > size_t(m_capacity)) {
            m_index.remove(m_order.back().first);
            gone.push_back(std::move(m_order.back().second));
            m_order.pop_back();
        }
        return gone;
    }

    std::optional<Value> take(const QString &sql)
    {
        const auto found = m_index.constFind(sql);
        if (found == m_index.cend()) return std::nullopt;
        std::optional<Value> value(std::move(found.value()->second));
        m_order.erase(found.value());
        m_index.erase(found);
        return value;
    }

    // Everything kept, for its owner to free; nothing is kept after.
    std::vector<Value> takeAll()
    {
        std::vector<Value> all;
        for (auto &entry : m_order)
            all.push_back(std::move(entry.second));
        m_order.clear();
        m_index.clear();
        return all;
    }

    qsizetype size() const { return m_index.size(); }

private:
    qsizetype m_capacity;
    std::list<std::pair<QString, Value>> m_order; // most recently used first
    QHash<QString, typename std::list<std::pair<QString, Value>>::iterator> m_index;
};
