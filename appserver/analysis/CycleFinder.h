#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

// The cycles of a parent relation: each cycle is a set of members that lead back to
// themselves (a strongly connected group of two or more, or a member that is its own
// parent). Members are compared as text; the answer does not depend on the order of the
// edges, so both database systems give the same example.
class CycleFinder
{
public:
    using Edge = std::pair<QString, QString>; // member, its parent

    explicit CycleFinder(const QVector<Edge> &edges);

    int count() const { return m_count; }
    // One cycle as a path that ends where it starts ("7", "9", "7"); empty when none.
    const QStringList &example() const { return m_example; }

private:
    int m_count = 0;
    QStringList m_example;
};
