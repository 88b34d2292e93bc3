#include "Catalogue.h"

#include "Database.h"

std::optional<QString> Catalogue::findTable(const QString &name)
{
    if (name.isEmpty()) return std::nullopt;
    // An exact spelling wins over one that differs only in case (PostgreSQL may hold both).
    const QString sql =
        m_db.dialect().isSqlite()
            ? QStringLiteral(
                  "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                  "AND upper(name) = upper(?) AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                  "ORDER BY name <> ?, name")
            : QStringLiteral("SELECT table_name FROM information_schema.tables "
                             "WHERE table_schema = current_schema() "
                             "AND table_type IN ('BASE TABLE', 'VIEW') "
                             "AND upper(table_name::text) = upper(?) "
                             "ORDER BY table_name::text <> ?, table_name");
    QSqlQuery query = m_db.run(sql, {name, name});
    if (query.next()) return query.value(0).toString();
    return std::nullopt;
}

QVector<Catalogue::Column> Catalogue::columns(const QString &realTableName)
{
    const QString sql =
        m_db.dialect().isSqlite()
            ? QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid")
            : QStringLiteral("SELECT column_name, data_type FROM information_schema.columns "
                             "WHERE table_schema = current_schema() AND table_name::text = ? "
                             "ORDER BY ordinal_position");
    QSqlQuery query = m_db.run(sql, {realTableName});
    QVector<Column> result;
    while (query.next())
        result.push_back({query.value(0).toString(), query.value(1).toString()});
    return result;
}

const Catalogue::Column *Catalogue::match(const QVector<Column> &columns, const QString &name)
{
    const Column *caseInsensitive = nullptr;
    for (const Column &c : columns) {
        if (c.name == name) return &c;
        if (!caseInsensitive && c.name.compare(name, Qt::CaseInsensitive) == 0)
            caseInsensitive = &c;
    }
    return caseInsensitive;
}
