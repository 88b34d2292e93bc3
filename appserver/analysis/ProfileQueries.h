#pragma once

#include "SqlDialect.h"

#include <QString>

// The statements of a dimension's data profile, written once so that the server and the
// benchmark's in-process floor run exactly the same SQL. Every name here comes from the
// database's catalogue and is written as a quoted identifier; nothing a client sends is ever
// spliced in. Each statement answers one row unless said otherwise.
class ProfileQueries
{
public:
    struct Column
    {
        QString name;         // as the catalogue spells it
        QString declaredType; // as the catalogue gives it
    };

    // parent.name empty: a flat dimension, and the hierarchy statements are not to be run.
    ProfileQueries(SqlDialect dialect, const QString &table, Column key, Column attribute,
                   Column parent);

    // Whether the parent's column type differs from the key's (sizes aside: VARCHAR(10) and
    // VARCHAR(20) are one type). Such columns are compared as text, the same way on both
    // database systems.
    bool parentTypeDiffers() const { return m_parentTypeDiffers; }

    static QString quoted(const QString &identifier);

    // rows, rows with a key, rows whose main attribute is null or blank
    QString totals() const;
    // distinct keys, keys that appear more than once
    QString keyCounts() const;
    // up to `ExampleCount` repeated keys as text, in key order (many rows)
    QString duplicateExamples() const;
    // rows whose parent matches no key
    QString orphanCount() const;
    // up to `ExampleCount` parent values that match no key, as text, in order (many rows)
    QString orphanExamples() const;
    // distinct keys a root reaches going down, the deepest level reached. Binds one value:
    // the longest chain worth following (the number of rows with a key).
    QString walkFromRoots() const;
    // key and parent, as text, of every row with a key that no root reaches: the rows on a
    // cycle or below one (many rows). Binds the same value as walkFromRoots.
    QString unreachedRows() const;

    static constexpr int ExampleCount = 5;

    // `alias`.column, ready to compare a key with a parent: as it is when their types agree,
    // as text when they do not.
    QString comparable(const QString &alias, const Column &column) const;
    // An ORDER BY term that sorts the column's values the same way on both systems.
    QString ordered(const QString &expression, const Column &column) const;

private:
    QString asText(const QString &expression) const;
    QString matchesNoKey(const QString &alias) const;
    QString walk() const;

    SqlDialect m_dialect;
    QString m_table;
    Column m_key;
    Column m_attribute;
    Column m_parent;
    bool m_parentTypeDiffers; // decided once: every statement asks
};
