#pragma once

#include "Database.h"

#include <QString>
#include <QVector>
#include <optional>

// The database's real catalogue of tables and columns. Names are matched without regard to
// the case of the letters A to Z: the screen sends them upper-cased, and PostgreSQL keeps
// unquoted names in lower case. Names are only ever bound as values here, never spliced into SQL.
// The server's own tables (users, logins, audit, versions) are hidden from every client call:
// every look-up answers for them as for a table that does not exist.
class Catalogue
{
public:
    struct Column
    {
        QString name; // as the catalogue spells it
        QString declaredType;
        bool operator==(const Column &) const = default;
    };

    struct Table
    {
        QString name; // as the catalogue spells it
        QVector<Column> columns;
        bool operator==(const Table &) const = default;
    };

    explicit Catalogue(Database &db) : m_db(db) {}

    // Whether the name spells one of the server's own tables or of the database system's (in
    // any case of A to Z, qualified or quoted).
    static bool isServerTable(const QString &name);
    // Whether a table of that name exists, the server's own included: for the server's set-up.
    bool holds(const QString &name);

    // A table or view of the application with its columns, in one look-up. On SQLite the
    // answer is kept by the connection until the database's structure changes.
    std::optional<Table> table(const QString &name);

    // On PostgreSQL, where nothing tells that the structure changed: the table as this
    // connection's last look-up of the name found it, only a guess. A read built on it is sent
    // together with a fresh look-up (lookUpRead()), and counts only if found() then answers
    // the same. nullopt on SQLite, whose table() answers from what it keeps, and when the last
    // look-up found nothing.
    std::optional<Table> lastFound(const QString &name) const;
    // table()'s look-up as a read to send with others, and what its packet answers (kept as
    // the connection's last look-up).
    Database::Read lookUpRead(const QString &name) const;
    std::optional<Table> found(const QString &name, const packet::Packet &lookUp);

    // The real name of a table or view of the application (not the database system's own).
    std::optional<QString> findTable(const QString &name);
    QVector<Column> columns(const QString &realTableName);
    // The column of that name in a list of columns: the exact spelling, else the first that
    // differs only in the case of A to Z; nullptr when none.
    static const Column *match(const QVector<Column> &columns, const QString &name);

private:
    std::optional<Table> lookUp(const QString &name);
    static std::optional<Table> tableIn(const QString &name, const packet::Packet &lookUp);

    Database &m_db;
};
