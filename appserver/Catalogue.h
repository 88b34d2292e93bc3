#pragma once

#include <QString>
#include <QVector>
#include <optional>

class Database;

// The database's real catalogue of tables and columns. Names are matched without regard to
// the case of the letters A to Z: the screen sends them upper-cased, and PostgreSQL keeps
// unquoted names in lower case. Names are only ever bound as values here, never spliced into SQL.
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

    // A table or view of the application with its columns, in one look-up.
    std::optional<Table> table(const QString &name);

    // The real name of a table or view of the application (not the database system's own).
    std::optional<QString> findTable(const QString &name);
    QVector<Column> columns(const QString &realTableName);
    // The column of that name in a list of columns: the exact spelling, else the first that
    // differs only in the case of A to Z; nullptr when none.
    static const Column *match(const QVector<Column> &columns, const QString &name);

private:
    Database &m_db;
};
