#include "Catalogue.h"

#include "Database.h"

namespace {

// Names match when they differ only in the letters A to Z: the case rules of other letters
// depend on language ("clıente" with a dotless i is no spelling of "cliente").
bool sameIgnoringAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y) continue;
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(x) != lower(y)) return false;
    }
    return true;
}

} // namespace

std::optional<QString> Catalogue::findTable(const QString &name)
{
    if (name.isEmpty()) return std::nullopt;
    // The database narrows the candidates (its upper() may fold more than A to Z, never
    // less); the names are then matched here. An exact spelling wins over one that differs
    // only in case (PostgreSQL may hold both).
    // On PostgreSQL the system catalogue is read directly, as information_schema.tables
    // defines its tables and views (of the current schema, that the user may use): its views
    // cost a plan of their own far dearer than the lookup.
    const QString sql =
        m_db.dialect().isSqlite()
            ? QStringLiteral(
                  "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                  "AND upper(name) = upper(?) AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                  "ORDER BY name <> ?, name")
            : QStringLiteral(
                  "SELECT c.relname::text FROM pg_catalog.pg_class c "
                  "WHERE c.relnamespace = (SELECT n.oid FROM pg_catalog.pg_namespace n "
                  "WHERE n.nspname = current_schema()) "
                  "AND c.relkind IN ('r', 'p', 'v') AND upper(c.relname::text) = upper(?) "
                  "AND (pg_catalog.pg_has_role(c.relowner, 'USAGE') "
                  "OR pg_catalog.has_table_privilege(c.oid, "
                  "'SELECT, INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER') "
                  "OR pg_catalog.has_any_column_privilege(c.oid, "
                  "'SELECT, INSERT, UPDATE, REFERENCES')) "
                  "ORDER BY c.relname::text <> ?, c.relname::text");
    for (const QVariantList &row : m_db.rows(sql, {name, name})) {
        const QString candidate = row.at(0).toString();
        if (sameIgnoringAsciiCase(candidate, name)) return candidate;
    }
    return std::nullopt;
}

QVector<Catalogue::Column> Catalogue::columns(const QString &realTableName)
{
    // The type as information_schema.columns names it ("character varying", "integer",
    // "ARRAY", "USER-DEFINED"...), read from the system catalogue for the reason above.
    const QString sql =
        m_db.dialect().isSqlite()
            ? QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid")
            : QStringLiteral(
                  "SELECT a.attname::text, "
                  "CASE WHEN t.typtype = 'd' THEN "
                  "CASE WHEN bt.typelem <> 0 AND bt.typlen = -1 THEN 'ARRAY' "
                  "WHEN nbt.nspname = 'pg_catalog' THEN pg_catalog.format_type(t.typbasetype, "
                  "NULL) "
                  "ELSE 'USER-DEFINED' END "
                  "ELSE CASE WHEN t.typelem <> 0 AND t.typlen = -1 THEN 'ARRAY' "
                  "WHEN nt.nspname = 'pg_catalog' THEN pg_catalog.format_type(a.atttypid, NULL) "
                  "ELSE 'USER-DEFINED' END END "
                  "FROM pg_catalog.pg_attribute a "
                  "JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
                  "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
                  "JOIN pg_catalog.pg_namespace nt ON nt.oid = t.typnamespace "
                  "LEFT JOIN pg_catalog.pg_type bt ON t.typtype = 'd' AND bt.oid = t.typbasetype "
                  "LEFT JOIN pg_catalog.pg_namespace nbt ON nbt.oid = bt.typnamespace "
                  "WHERE c.relnamespace = (SELECT n.oid FROM pg_catalog.pg_namespace n "
                  "WHERE n.nspname = current_schema()) "
                  "AND c.relkind IN ('r', 'p', 'v', 'f') AND c.relname::text = ? "
                  "AND a.attnum > 0 AND NOT a.attisdropped "
                  "AND (pg_catalog.pg_has_role(c.relowner, 'USAGE') "
                  "OR pg_catalog.has_column_privilege(c.oid, a.attnum, "
                  "'SELECT, INSERT, UPDATE, REFERENCES')) "
                  "ORDER BY a.attnum");
    QVector<Column> result;
    for (const QVariantList &row : m_db.rows(sql, {realTableName}))
        result.push_back({row.at(0).toString(), row.at(1).toString()});
    return result;
}

const Catalogue::Column *Catalogue::match(const QVector<Column> &columns, const QString &name)
{
    const Column *caseInsensitive = nullptr;
    for (const Column &c : columns) {
        if (c.name == name) return &c;
        if (!caseInsensitive && sameIgnoringAsciiCase(c.name, name)) caseInsensitive = &c;
    }
    return caseInsensitive;
}
