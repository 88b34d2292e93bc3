#pragma once

#include <QString>

// What differs between the two database systems the server stores in, kept in one place.
class SqlDialect
{
public:
    enum class Kind { Sqlite, Postgres };

    explicit SqlDialect(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    bool isSqlite() const { return m_kind == Kind::Sqlite; }

    // "column = ?" that also holds when both sides are null: how a save matches the values
    // a record had when it was read.
    QString sameValue(const QString &column) const;

    // The column type of a text of the given width in CREATE TABLE.
    QString textType(int width) const;
    // An integer primary key that the database numbers by itself, in CREATE TABLE.
    QString autoKeyType() const;

private:
    Kind m_kind;
};
