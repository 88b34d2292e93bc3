#pragma once

#include <QString>
#include <QVector>
#include <optional>

class Database;

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
    };

    struct Table
    {
        QString name; // as the catalogue spells it
        QVector<Column> columns;
    };

    explicit Catalogue(Database &db) : m_db(db) {}

    // Whether the name spells one of the server's own tables (in any case of A to Z).
    static bool isServerTable(const QString &name);
    // Whether a table of that name exists, the server's own included: for the server's set-up.
    bool holds(const QString &name);

    // A table or view of the application with its columns, in one look-up. On SQLite the
    // answer is kept by the connection until the database's structure changes.
    std::optional<Table> table(const QString &name);

    // The real name of a table or view of the application (not the database system's own).
    std::optional<QString> findTable(const QString &name);
    QVector<Column> columns(const QString &realTableName);
    // The column of that name in a list of columns: the exact spelling, else the first that
    // differs only in the case of A to Z; nullptr when none.
    static const Column *match(const QVector<Column> &columns, const QString &name);

private:
    std::optional<Table> lookUp(const QString &name);

    Database &m_db;
};
