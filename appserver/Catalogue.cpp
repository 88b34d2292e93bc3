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
    while (query.next()) {
        const QString candidate = query.value(0).toString();
        if (sameIgnoringAsciiCase(candidate, name)) return candidate;
    }
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
        if (!caseInsensitive && sameIgnoringAsciiCase(c.name, name)) caseInsensitive = &c;
    }
    return caseInsensitive;
}
