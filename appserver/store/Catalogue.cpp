#include "Catalogue.h"
#include "CatalogueMemo.h"

#include "Database.h"
#include "ServerTables.h"
#include "TableVersion.h"

#include <algorithm>

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

// The letters `from` to `from` + 25 ("a" to "z" or "A" to "Z") turned into those from `to`.
QString asciiCase(QString name, char16_t from, char16_t to)
{
    for (QChar &c : name)
        if (c.unicode() >= from && c.unicode() < from + 26) c = QChar(c.unicode() - from + to);
    return name;
}

// On PostgreSQL the system catalogue is read directly, with the rules by which
// information_schema.tables and .columns show tables, views and columns (of the current schema,
// that the user may use) and name types ("character varying", "integer", "ARRAY",
// "USER-DEFINED"...): those views cost a plan of their own far dearer than the look-up.
const QLatin1String PgInCurrentSchema("c.relnamespace = (SELECT n.oid FROM pg_catalog.pg_namespace "
                                      "n WHERE n.nspname = current_schema()) ");
const QLatin1String PgTableVisible(
    "(pg_catalog.pg_has_role(c.relowner, 'USAGE') OR pg_catalog.has_table_privilege(c.oid, "
    "'SELECT, INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER') OR "
    "pg_catalog.has_any_column_privilege(c.oid, 'SELECT, INSERT, UPDATE, REFERENCES')) ");
const QLatin1String PgColumnVisible(
    "a.attnum > 0 AND NOT a.attisdropped AND (pg_catalog.pg_has_role(c.relowner, 'USAGE') OR "
    "pg_catalog.has_column_privilege(c.oid, a.attnum, 'SELECT, INSERT, UPDATE, REFERENCES')) ");
// A type's schema is compared by its number, which the planner looks up once, rather than
// joined in by name for every column.
const QLatin1String PgTypeName(
    "CASE WHEN t.typtype = 'd' THEN CASE WHEN bt.typelem <> 0 AND bt.typlen = -1 THEN 'ARRAY' "
    "WHEN bt.typnamespace = 'pg_catalog'::pg_catalog.regnamespace "
    "THEN pg_catalog.format_type(t.typbasetype, NULL) "
    "ELSE 'USER-DEFINED' END "
    "ELSE CASE WHEN t.typelem <> 0 AND t.typlen = -1 THEN 'ARRAY' "
    "WHEN t.typnamespace = 'pg_catalog'::pg_catalog.regnamespace "
    "THEN pg_catalog.format_type(a.atttypid, NULL) "
    "ELSE 'USER-DEFINED' END END ");
const QLatin1String PgAttributeTypes(
    "pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "LEFT JOIN pg_catalog.pg_type bt ON t.typtype = 'd' AND bt.oid = t.typbasetype ");

// The look-ups are read as lists of texts: through the statements each connection keeps
// prepared for its lists, which on PostgreSQL are prepared in the protocol itself (one message
// and no statement to parse per call) rather than run as an EXECUTE statement.
const QVector<packet::FieldDef> NameFields{{QStringLiteral("TABELA"), 0},
                                           {QStringLiteral("CAMPO"), 0},
                                           {QStringLiteral("TIPO"), 0}};

} // namespace

bool Catalogue::isServerTable(const QString &given)
{
    // A qualified or quoted spelling ("main.USUARIOSERVIDOR", "\"acessoservidor\"") names the
    // same table; SQLite's own tables (sqlite_master, sqlite_schema, sqlite_sequence...) are
    // the database's, never the application's.
    QString name = given.section(QLatin1Char('.'), -1).trimmed();
    name.remove(QLatin1Char('"')).remove(QLatin1Char('`')).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    if (sameIgnoringAsciiCase(name.left(7), QStringLiteral("sqlite_"))) return true;
    static const QStringList own{
        QString::fromLatin1(server_tables::Users), QString::fromLatin1(server_tables::Audit),
        QString::fromLatin1(server_tables::Logins), QString::fromLatin1(server_tables::Schema),
        QString::fromLatin1(server_tables::SessionEnds), QString::fromLatin1(server_tables::Sessions),
        QString::fromLatin1(TableVersion::Table)};
    return std::any_of(own.cbegin(), own.cend(),
                       [&](const QString &table) { return sameIgnoringAsciiCase(table, name); });
}

bool Catalogue::holds(const QString &name)
{
    return !name.isEmpty() && lookUp(name).has_value();
}

std::optional<Catalogue::Table> Catalogue::table(const QString &name)
{
    if (name.isEmpty() || isServerTable(name)) return std::nullopt;
    const std::optional<qint64> version = m_db.sqliteSchemaVersion();
    if (version) {
        if (auto kept = m_db.catalogueMemo().find(*version, name)) return *std::move(kept);
    }
    std::optional<Table> found = lookUp(name);
    if (version)
        m_db.catalogueMemo().keep(*version, name, found);
    else
        m_db.catalogueMemo().keepLastFound(name, found);
    return found;
}

std::optional<Catalogue::Table> Catalogue::lastFound(const QString &name) const
{
    if (m_db.dialect().isSqlite() || isServerTable(name)) return std::nullopt;
    return m_db.catalogueMemo().lastFound(name);
}

std::optional<Catalogue::Table> Catalogue::found(const QString &name, const packet::Packet &lookUp)
{
    std::optional<Table> found = tableIn(name, lookUp);
    if (isServerTable(name)) found.reset();
    if (!m_db.dialect().isSqlite()) m_db.catalogueMemo().keepLastFound(name, found);
    return found;
}

std::optional<Catalogue::Table> Catalogue::lookUp(const QString &name)
{
    const Database::Read read = lookUpRead(name);
    return tableIn(name, m_db.select(read.sql, read.values, read.fields));
}

Database::Read Catalogue::lookUpRead(const QString &name) const
{
    // The database narrows the candidates (its upper() may fold more than A to Z, never
    // less); the names are then matched here. An exact spelling wins over one that differs
    // only in case (PostgreSQL may hold both). The table and its columns come in one query,
    // a row per column (one row with no column for a table whose columns the user cannot see).
    // Written once: asked on every call that names a table.
    static const QString sqlite =
        QStringLiteral("SELECT m.name, p.name, p.type FROM sqlite_master m "
                       "LEFT JOIN pragma_table_info(m.name) p "
                       "WHERE m.type IN ('table', 'view') AND upper(m.name) = upper(?) "
                       "AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                       "ORDER BY m.name <> ?, m.name, p.cid");
    static const QString postgres =
        QStringLiteral("SELECT c.relname::text, a.attname::text, ") + PgTypeName +
        QStringLiteral("FROM pg_catalog.pg_class c LEFT JOIN (") + PgAttributeTypes +
        QStringLiteral(") ON a.attrelid = c.oid AND ") + PgColumnVisible +
        QStringLiteral("WHERE ") + PgInCurrentSchema +
        QStringLiteral("AND c.relkind IN ('r', 'p', 'v') "
                       "AND c.relname BETWEEN ? AND ? "
                       "AND upper(c.relname::text) = upper(?) AND ") +
        PgTableVisible + QStringLiteral("ORDER BY c.relname::text <> ?, c.relname::text, a.attnum");
    const QString &sql = m_db.dialect().isSqlite() ? sqlite : postgres;
    // On PostgreSQL every spelling that differs only in the case of A to Z lies between the
    // name in capitals and the name in small letters, in the byte order of the index on the
    // catalogue's names: a range of that index instead of a pass through every table.
    const QVariantList values =
        m_db.dialect().isSqlite()
            ? QVariantList{name, name}
            : QVariantList{asciiCase(name, u'a', u'A'), asciiCase(name, u'A', u'a'), name, name};
    return {sql, values, NameFields};
}

std::optional<Catalogue::Table> Catalogue::tableIn(const QString &name,
                                                   const packet::Packet &lookUp)
{
    std::optional<Table> found;
    for (const packet::Row &row : lookUp.rows) {
        const QString candidate = row.at(0).value_or(QString());
        if (!found) {
            if (!sameIgnoringAsciiCase(candidate, name)) continue;
            found = Table{candidate, {}};
        } else if (candidate != found->name) {
            break;
        }
        if (row.at(1))
            found->columns.push_back({*row.at(1), row.at(2).value_or(QString())});
    }
    return found;
}

std::optional<QString> Catalogue::findTable(const QString &name)
{
    const std::optional<Table> found = table(name);
    return found ? std::optional<QString>(found->name) : std::nullopt;
}

QVector<Catalogue::Column> Catalogue::columns(const QString &realTableName)
{
    if (isServerTable(realTableName)) return {};
    const QString sql =
        m_db.dialect().isSqlite()
            ? QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid")
            : QStringLiteral("SELECT a.attname::text, ") + PgTypeName + QStringLiteral("FROM ") +
                  PgAttributeTypes +
                  QStringLiteral("JOIN pg_catalog.pg_class c ON c.oid = a.attrelid WHERE ") +
                  PgInCurrentSchema +
                  QStringLiteral("AND c.relkind IN ('r', 'p', 'v', 'f') AND c.relname::text = ? "
                                 "AND ") +
                  PgColumnVisible + QStringLiteral("ORDER BY a.attnum");
    QVector<Column> result;
    for (const packet::Row &row : m_db.select(sql, {realTableName}, NameFields.mid(1)).rows)
        result.push_back({row.at(0).value_or(QString()), row.at(1).value_or(QString())});
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
