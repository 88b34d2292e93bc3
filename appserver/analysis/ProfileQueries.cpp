#include "ProfileQueries.h"

#include <QRegularExpression>

namespace {

// "VARCHAR(30)" and "varchar (10)" are one type; only the size differs. PostgreSQL names its
// types without a size ("integer", "character varying"): no expression to run then.
QString typeWithoutSize(const QString &declaredType)
{
    if (!declaredType.contains(QLatin1Char('('))) return declaredType.toUpper().simplified();
    static const QRegularExpression size(QStringLiteral("\\s*\\(.*\\)"));
    return declaredType.toUpper().remove(size).simplified();
}

bool isPostgresText(const QString &dataType)
{
    const QString type = dataType.toLower();
    return type == QLatin1String("character varying") || type == QLatin1String("character") ||
           type == QLatin1String("text");
}

} // namespace

ProfileQueries::ProfileQueries(SqlDialect dialect, const QString &table, Column key,
                               Column attribute, Column parent)
    : m_dialect(dialect), m_table(quoted(table)), m_key(std::move(key)),
      m_attribute(std::move(attribute)), m_parent(std::move(parent)),
      m_parentTypeDiffers(!m_parent.name.isEmpty() && typeWithoutSize(m_parent.declaredType) !=
                                                          typeWithoutSize(m_key.declaredType))
{
}

QString ProfileQueries::quoted(const QString &identifier)
{
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString ProfileQueries::asText(const QString &expression) const
{
    return QStringLiteral("CAST(%1 AS TEXT)").arg(expression);
}

// Every statement is filled in one pass of arg(), so that a name holding "%1" stays a name.

// Key and parent compared as they are when their types agree (so an index serves), as text
// when they do not: PostgreSQL refuses to compare an integer with a text, and SQLite would
// convert one side by its own affinity rules, which PostgreSQL does not share.
QString ProfileQueries::comparable(const QString &alias, const Column &column) const
{
    const QString expression = alias + QLatin1Char('.') + quoted(column.name);
    return parentTypeDiffers() ? asText(expression) : expression;
}

// Examples come in the same order on both systems: PostgreSQL sorts text by the database's
// locale unless told to sort by bytes, as SQLite does.
QString ProfileQueries::ordered(const QString &expression, const Column &column) const
{
    if (!m_dialect.isSqlite() && isPostgresText(column.declaredType))
        return expression + QStringLiteral(" COLLATE \"C\"");
    return expression;
}

// The parent of the row under `alias` (not null) matches no key. SQLite answers an
// uncorrelated NOT IN by indexing the subquery's answer once; a correlated NOT EXISTS would
// scan the table for every row when the key has no index. PostgreSQL plans NOT EXISTS as an
// anti-join at any size, NOT IN only while every key fits in its working memory.
QString ProfileQueries::matchesNoKey(const QString &alias) const
{
    const QString parent = comparable(alias, m_parent);
    const QString key = comparable(QStringLiteral("p"), m_key);
    if (m_dialect.isSqlite())
        return QStringLiteral("%1 NOT IN (SELECT %2 FROM %3 p WHERE p.%4 IS NOT NULL)")
            .arg(parent, key, m_table, quoted(m_key.name));
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 p WHERE %2 = %3)")
        .arg(m_table, key, parent);
}

QString ProfileQueries::totals() const
{
    const QString attribute = quoted(m_attribute.name);
    return QStringLiteral("SELECT count(*), count(%1), "
                          "coalesce(sum(CASE WHEN %2 IS NULL OR trim(%3) = '' "
                          "THEN 1 ELSE 0 END), 0) FROM %4")
        .arg(quoted(m_key.name), attribute, asText(attribute), m_table);
}

QString ProfileQueries::keyCounts() const
{
    const QString key = quoted(m_key.name);
    return QStringLiteral("SELECT count(*), coalesce(sum(CASE WHEN n > 1 THEN 1 ELSE 0 END), 0) "
                          "FROM (SELECT count(*) AS n FROM %1 WHERE %2 IS NOT NULL "
                          "GROUP BY %2) g")
        .arg(m_table, key);
}

QString ProfileQueries::duplicateExamples() const
{
    const QString key = quoted(m_key.name);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NOT NULL GROUP BY %3 "
                          "HAVING count(*) > 1 ORDER BY %4 LIMIT %5")
        .arg(asText(key), m_table, key, ordered(key, m_key), QString::number(ExampleCount));
}

QString ProfileQueries::orphanCount() const
{
    return QStringLiteral("SELECT count(*) FROM %1 c WHERE c.%2 IS NOT NULL AND %3")
        .arg(m_table, quoted(m_parent.name), matchesNoKey(QStringLiteral("c")));
}

QString ProfileQueries::orphanExamples() const
{
    const QString parent = QStringLiteral("c.") + quoted(m_parent.name);
    return QStringLiteral("SELECT %1 FROM %2 c WHERE %3 IS NOT NULL AND %4 GROUP BY %3 "
                          "ORDER BY %5 LIMIT %6")
        .arg(asText(parent), m_table, parent, matchesNoKey(QStringLiteral("c")),
             ordered(parent, m_parent), QString::number(ExampleCount));
}

// Down from the roots (rows without a parent, or whose parent matches no key), one level at a
// time. A row on a cycle is never reached; UNION and the bound on the level keep a walk
// through repeated keys finite.
QString ProfileQueries::walk() const
{
    const QString key = quoted(m_key.name);
    const QString parent = quoted(m_parent.name);
    const QString walkKey =
        parentTypeDiffers() ? asText(QStringLiteral("w.k")) : QStringLiteral("w.k");
    return QStringLiteral("WITH RECURSIVE walk(k, d) AS ("
                          "SELECT r.%1, 1 FROM %2 r WHERE r.%1 IS NOT NULL AND (r.%3 IS NULL "
                          "OR %4) "
                          "UNION "
                          "SELECT c.%1, w.d + 1 FROM walk w JOIN %2 c ON %5 = %6 "
                          "WHERE c.%1 IS NOT NULL AND w.d < ?) ")
        .arg(key, m_table, parent, matchesNoKey(QStringLiteral("r")),
             comparable(QStringLiteral("c"), m_parent), walkKey);
}

QString ProfileQueries::walkFromRoots() const
{
    return walk() + QStringLiteral("SELECT count(DISTINCT k), coalesce(max(d), 0) FROM walk");
}

QString ProfileQueries::unreachedRows() const
{
    const QString key = quoted(m_key.name);
    // The same choice between NOT IN and NOT EXISTS as in matchesNoKey, for the same reasons.
    const QString unreached =
        m_dialect.isSqlite() ? QStringLiteral("u.%1 NOT IN (SELECT k FROM walk)")
                             : QStringLiteral("NOT EXISTS (SELECT 1 FROM walk w WHERE w.k = u.%1)");
    return walk() + QStringLiteral("SELECT %1, %2 FROM %3 u WHERE u.%4 IS NOT NULL AND %5")
                        .arg(asText(QStringLiteral("u.") + key),
                             asText(QStringLiteral("u.") + quoted(m_parent.name)), m_table, key,
                             unreached.arg(key));
}
