#pragma once

#include <QHash>
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

// What one connection has looked up in a SQLite catalogue, by the name asked for, while the
// schema's version stays the one it was read under. SQLite changes that version with every
// change of structure, made by any connection or program.
class CatalogueMemo
{
public:
    // Whether the name was looked up under this version, and what was found then.
    std::optional<std::optional<Catalogue::Table>> find(qint64 schemaVersion,
                                                        const QString &name) const;
    void keep(qint64 schemaVersion, const QString &name,
              const std::optional<Catalogue::Table> &table);
    void clear();

private:
    // Names come from clients: the memo starts afresh rather than grow past this.
    static constexpr qsizetype MostNames = 256;
    qint64 m_version = -1;
    QHash<QString, std::optional<Catalogue::Table>> m_tables;
};
