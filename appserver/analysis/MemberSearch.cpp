#include "MemberSearch.h"

#include "Database.h"
#include "DimensionColumns.h"
#include "MemberQueries.h"
#include "PageRows.h"
#include "QueryDeadline.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace {

// Keys asked for in one statement: well below both systems' limits on bound values.
constexpr int KeysPerStatement = 500;

} // namespace

Variant MemberSearch::answer(const QString &table, const QString &key, const QString &attribute,
                             const QString &parent, const QString &text, int limit)
{
    const DimensionColumns columns(m_db, table, key, attribute, parent);
    if (!columns.verdict().isNull()) return columns.verdict();
    const MemberQueries sql(m_db.dialect(), columns.table(), columns.key(), columns.attribute(),
                            columns.parent());
    QueryDeadline reads(m_db, m_limit);
    const QString pattern = MemberQueries::prefixPattern(text);
    QVector<packet::Row> rows = pageRows(reads, sql.search(), {pattern, pattern, limit}, 3);

    Parents parents;
    for (const packet::Row &row : std::as_const(rows))
        if (!parents.contains(*row[0])) parents.insert(*row[0], row[2]);
    if (!columns.isFlat()) climb(reads, sql, parents);
    for (packet::Row &row : rows)
        row << pathTo(*row[0], parents);
    return packet::toVariant(pagePacket({QStringLiteral("CDMEMBRO"), QStringLiteral("NMMEMBRO"),
                                         QStringLiteral("CDPAI"), QStringLiteral("CAMINHO")},
                                        std::move(rows)));
}

void MemberSearch::climb(QueryDeadline &reads, const MemberQueries &sql, Parents &parents)
{
    QSet<QString> asked;
    for (;;) {
        QStringList wanted;
        for (auto it = parents.cbegin(); it != parents.cend(); ++it)
            if (it.value() && !parents.contains(*it.value()) && !asked.contains(*it.value())) {
                asked.insert(*it.value());
                wanted << *it.value();
            }
        if (wanted.isEmpty()) return;
        wanted.removeDuplicates();
        for (qsizetype from = 0; from < wanted.size(); from += KeysPerStatement) {
            QVariantList values;
            for (const QString &k : wanted.mid(from, KeysPerStatement))
                if (const std::optional<QVariant> value = sql.parentValue(k)) values << *value;
            if (values.isEmpty()) continue;
            // Rows come in order, so a repeated key always takes the same (first) parent.
            for (const packet::Row &row :
                 pageRows(reads, sql.parentsOf(values), values, 2))
                if (!parents.contains(*row[0])) parents.insert(*row[0], row[1]);
        }
    }
}

// Up from the member while there is a parent that is a member, stopping where the path
// would meet itself: a member on a cycle is shown from the cycle's first member reached.
QString MemberSearch::pathTo(const QString &key, const Parents &parents)
{
    QStringList path{key};
    QSet<QString> seen{key};
    for (std::optional<QString> up = parents.value(key); up && parents.contains(*up);
         up = parents.value(*up)) {
        if (seen.contains(*up)) break;
        seen.insert(*up);
        path.prepend(*up);
    }
    QJsonArray array;
    for (const QString &k : std::as_const(path))
        array.append(k);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}
