#include "MemberQueries.h"

MemberQueries::MemberQueries(SqlDialect dialect, const QString &table, ProfileQueries::Column key,
                             ProfileQueries::Column attribute, ProfileQueries::Column parent)
    : m_dialect(dialect), m_profile(dialect, table, key, attribute, parent),
      m_table(ProfileQueries::quoted(table)), m_key(std::move(key)),
      m_attribute(std::move(attribute)), m_parent(std::move(parent))
{
}

QString MemberQueries::keyOf(const QString &alias) const
{
    return m_profile.comparable(alias, m_key);
}

QString MemberQueries::parentOf(const QString &alias) const
{
    return m_profile.comparable(alias, m_parent);
}

QString MemberQueries::ordered(const QString &expression) const
{
    return m_profile.ordered(expression, m_key);
}

// Every statement is filled in one pass of arg(), so that a name holding "%1" stays a name.

// Only ASCII letters, on both systems: SQLite's lower() folds no other, and PostgreSQL's does
// the same under the "C" collation, whatever the database's locale.
QString MemberQueries::folded(const QString &expression) const
{
    if (m_dialect.isSqlite()) return QStringLiteral("lower(CAST(%1 AS TEXT))").arg(expression);
    return QStringLiteral("lower(CAST(%1 AS TEXT) COLLATE \"C\")").arg(expression);
}

QString MemberQueries::levelCondition(Level level) const
{
    switch (level) {
    case Level::All:
        return QStringLiteral("1 = 1");
    case Level::Top:
        return QStringLiteral("(m.%1 IS NULL OR NOT EXISTS (SELECT 1 FROM %2 o WHERE %3 = %4))")
            .arg(ProfileQueries::quoted(m_parent.name), m_table, keyOf(QStringLiteral("o")),
                 parentOf(QStringLiteral("m")));
    case Level::Children:
        return parentOf(QStringLiteral("m")) + QStringLiteral(" = ?");
    }
    return {};
}

// The parents no key matches. PostgreSQL answers the anti-join by merging the parent's index
// with the key's in one pass; SQLite, without a merge join, would look every row's parent up,
// so there the distinct parents are gone through once (the parent's index holds them in
// order) and each looked up, which on a large table takes a fraction of the time (docs/server.md).
QString MemberQueries::orphanedParents() const
{
    const QString parent = ProfileQueries::quoted(m_parent.name);
    const QString condition =
        m_dialect.isSqlite() ? QStringLiteral("GROUP BY p.") + parent + QStringLiteral(" HAVING")
                             : QStringLiteral("AND");
    return QStringLiteral("SELECT %2 FROM %3 p WHERE p.%1 IS NOT NULL %4 NOT EXISTS "
                          "(SELECT 1 FROM %3 o WHERE %5 = %2)")
        .arg(parent, parentOf(QStringLiteral("p")), m_table, condition,
             keyOf(QStringLiteral("o")));
}

// The top level's keys: the first keys without a parent and the first keys of orphans, each
// found on its own (the parent's index holds the members without one together, and the
// orphans' parents are few), then the first of both. One condition with an OR would go
// through the key's order testing every member instead.
QString MemberQueries::topKeys(const QString &after) const
{
    const auto firstKeys = [&](const QString &condition) {
        return QStringLiteral("SELECT * FROM (SELECT DISTINCT %1 AS k FROM %2 m WHERE m.%3 IS NOT "
                              "NULL AND %4%5 ORDER BY 1 LIMIT ?)")
            .arg(ordered(QStringLiteral("m.") + ProfileQueries::quoted(m_key.name)), m_table,
                 ProfileQueries::quoted(m_key.name), condition, after);
    };
    const QString roots =
        firstKeys(QStringLiteral("m.%1 IS NULL").arg(ProfileQueries::quoted(m_parent.name)));
    const QString orphans = firstKeys(
        QStringLiteral("%1 IN (%2)").arg(parentOf(QStringLiteral("m")), orphanedParents()));
    return QStringLiteral("keys(k) AS (SELECT u.k FROM (%1 r UNION %2 o) u ORDER BY %3 LIMIT ?)")
        .arg(roots, orphans, ordered(QStringLiteral("u.k")));
}

QVariantList MemberQueries::values(Level level, const std::optional<QVariant> &parent,
                                   const std::optional<QVariant> &after, int limit)
{
    QVariantList bound;
    if (level == Level::Children) bound << parent.value_or(QVariant());
    // The top level's two kinds of members are each bounded as a page, then the first of both.
    const int parts = level == Level::Top ? 2 : 1;
    for (int part = 0; part < parts; ++part) {
        if (after) bound << *after;
        bound << limit;
    }
    if (level == Level::Top) bound << limit;
    if (level == Level::Children) bound << parent.value_or(QVariant());
    return bound;
}

// The keys of the page first (an index on the parent, or the key's own order, finds them
// without reading the level through), then their rows. Each row's situation: a repeated key
// first, then a member whose ancestors lead back to it (the walk up keeps each ancestor once
// per member, so a cycle ends it), then an orphan. The walk's step has no condition of its own
// (a null parent ends the walk at the next step anyway): with one, SQLite, once the table has
// been analysed, reads the whole table into a Bloom filter for it, and a page of children
// costs as much as the table is long (docs/server.md, "Member pages").
QString MemberQueries::page(Level level, bool following) const
{
    const QString key = ProfileQueries::quoted(m_key.name);
    const QString attribute = ProfileQueries::quoted(m_attribute.name);
    const QString condition = levelCondition(level);
    const QString after =
        following ? QStringLiteral(" AND %1 > ?").arg(ordered(QStringLiteral("m.") + key))
                  : QString();
    const QString keys =
        level == Level::Top
            ? topKeys(after)
            : QStringLiteral("keys(k) AS (SELECT DISTINCT %5 FROM %2 m WHERE m.%1 IS NOT NULL "
                             "AND %3%4 ORDER BY 1 LIMIT ?)")
                  .arg(key, m_table, condition, after, ordered(QStringLiteral("m.") + key));
    const QString repeated =
        QStringLiteral("(SELECT count(*) FROM %1 d WHERE d.%2 = r.k) > 1").arg(m_table, key);
    if (level == Level::All)
        return QStringLiteral("WITH %1 SELECT CAST(m.%2 AS TEXT), CAST(m.%3 AS TEXT), NULL, 0, "
                              "CASE WHEN (SELECT count(*) FROM %4 d WHERE d.%2 = m.%2) > 1 "
                              "THEN 'R' ELSE '' END FROM keys JOIN %4 m ON m.%2 = keys.k "
                              "ORDER BY %5, 2")
            .arg(keys, key, attribute, m_table, ordered(QStringLiteral("m.") + key));

    const QString parent = ProfileQueries::quoted(m_parent.name);
    // The walk up holds parents, compared with keys; these stand for the alias "up".
    const QString upKey = m_profile.parentTypeDiffers() ? QStringLiteral("CAST(up.k AS TEXT)")
                                                        : QStringLiteral("up.k");
    const QString upStart = m_profile.parentTypeDiffers() ? QStringLiteral("CAST(up.s AS TEXT)")
                                                          : QStringLiteral("up.s");
    const QString rKey =
        m_profile.parentTypeDiffers() ? QStringLiteral("CAST(r.k AS TEXT)") : QStringLiteral("r.k");
    const QString rParent =
        m_profile.parentTypeDiffers() ? QStringLiteral("CAST(r.p AS TEXT)") : QStringLiteral("r.p");
    return QStringLiteral(
               "WITH RECURSIVE %1, "
               "rows(k, a, p) AS (SELECT m.%2, m.%3, m.%4 FROM keys JOIN %5 m ON m.%2 = keys.k "
               "WHERE %6), "
               "up(s, k) AS (SELECT r.k, r.p FROM rows r WHERE r.p IS NOT NULL "
               "UNION SELECT up.s, t.%4 FROM up JOIN %5 t ON %7 = %8), "
               "cyclic(s) AS (SELECT DISTINCT up.s FROM up WHERE %8 = %9) "
               "SELECT CAST(r.k AS TEXT), CAST(r.a AS TEXT), CAST(r.p AS TEXT), "
               "(SELECT count(*) FROM %5 c WHERE %10 = %11 AND c.%2 IS NOT NULL), "
               "CASE WHEN %12 THEN 'R' WHEN cyclic.s IS NOT NULL THEN 'C' "
               "WHEN r.p IS NOT NULL AND NOT EXISTS (SELECT 1 FROM %5 o WHERE %13 = %14) "
               "THEN 'O' ELSE '' END "
               "FROM rows r LEFT JOIN cyclic ON cyclic.s = r.k ORDER BY %15, 2, 3")
        .arg(keys, key, attribute, parent, m_table, condition, keyOf(QStringLiteral("t")), upKey,
             upStart, parentOf(QStringLiteral("c")), rKey, repeated, keyOf(QStringLiteral("o")),
             rParent, ordered(QStringLiteral("r.k")));
}

QString MemberQueries::search() const
{
    const QString key = ProfileQueries::quoted(m_key.name);
    const QString attribute = ProfileQueries::quoted(m_attribute.name);
    const QString parent =
        m_parent.name.isEmpty()
            ? QStringLiteral("NULL")
            : QStringLiteral("CAST(m.%1 AS TEXT)").arg(ProfileQueries::quoted(m_parent.name));
    return QStringLiteral("SELECT CAST(m.%1 AS TEXT), CAST(m.%2 AS TEXT), %3 FROM %4 m "
                          "WHERE m.%1 IS NOT NULL AND (%5 LIKE ? ESCAPE '\\' OR %6 LIKE ? "
                          "ESCAPE '\\') ORDER BY %7, 2, 3 LIMIT ?")
        .arg(key, attribute, parent, m_table, folded(QStringLiteral("m.") + key),
             folded(QStringLiteral("m.") + attribute), ordered(QStringLiteral("m.") + key));
}

QString MemberQueries::parentsOf(QVariantList &keys) const
{
    constexpr qsizetype Shapes[] = {1, 8, 64, 500};
    qsizetype count = keys.size();
    for (const qsizetype shape : Shapes)
        if (shape >= count) {
            count = shape;
            break;
        }
    while (!keys.isEmpty() && keys.size() < count)
        keys << keys.back();
    QStringList marks;
    for (qsizetype i = 0; i < keys.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("SELECT CAST(t.%1 AS TEXT), CAST(t.%2 AS TEXT) FROM %3 t "
                          "WHERE %4 IN (%5) ORDER BY 1, 2")
        .arg(ProfileQueries::quoted(m_key.name), ProfileQueries::quoted(m_parent.name), m_table,
             keyOf(QStringLiteral("t")), marks.join(QStringLiteral(", ")));
}

std::optional<QVariant> MemberQueries::keyValue(const QString &text) const
{
    // The affinity rule of SQLite, which PostgreSQL's integer type names also meet.
    if (!m_key.declaredType.contains(QLatin1String("INT"), Qt::CaseInsensitive))
        return QVariant(text);
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return QVariant(number);
}

std::optional<QVariant> MemberQueries::parentValue(const QString &text) const
{
    if (m_profile.parentTypeDiffers()) return QVariant(text);
    return keyValue(text);
}

QString MemberQueries::prefixPattern(const QString &text)
{
    QString pattern;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_') pattern += QLatin1Char('\\');
        pattern += (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    }
    return pattern + QLatin1Char('%');
}
