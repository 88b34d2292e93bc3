#include "DimensionProfiler.h"

#include "CycleFinder.h"
#include "Database.h"
#include "DimensionColumns.h"
#include "MethodFailure.h"
#include "ProfileQueries.h"
#include "QueryDeadline.h"

#include <QSqlError>

namespace {

// A statement that answers one row. A row that does not come is an error, or the time limit
// reached while SQLite was stepping towards it.
QSqlQuery oneRow(QueryDeadline &reads, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query = reads.run(sql, values);
    if (!query.next()) {
        reads.checkTimeLeft();
        throw MethodFailure(
            QStringLiteral("Erro no banco de dados: %1").arg(query.lastError().text()));
    }
    return query;
}

// Every row of a statement, by a function per row; the same care for a read cut short.
template <typename PerRow>
void eachRow(QueryDeadline &reads, const QString &sql, const QVariantList &values, PerRow perRow)
{
    QSqlQuery query = reads.run(sql, values);
    while (query.next())
        perRow(query);
    if (query.lastError().isValid()) {
        reads.checkTimeLeft();
        throw MethodFailure(
            QStringLiteral("Erro no banco de dados: %1").arg(query.lastError().text()));
    }
}

QStringList texts(QueryDeadline &reads, const QString &sql)
{
    QStringList result;
    eachRow(reads, sql, {}, [&](const QSqlQuery &q) { result << q.value(0).toString(); });
    return result;
}

} // namespace

Variant DimensionProfiler::answer(const QString &table, const QString &key,
                                  const QString &attribute, const QString &parent)
{
    const DimensionColumns columns(m_db, table, key, attribute, parent);
    if (!columns.verdict().isNull()) return columns.verdict();

    QueryDeadline reads(m_db, m_limit);
    const ProfileQueries sql(m_db.dialect(), columns.table(), columns.key(), columns.attribute(),
                             columns.parent());
    DimensionProfile profile;
    profile.keyType = columns.key().declaredType;
    try {
        const qint64 keyedRows = measureKeys(reads, sql, profile);
        if (columns.isFlat()) return packet::toVariant(profile.toPacket());
        measureHierarchy(reads, sql, keyedRows, profile);
    } catch (const MethodFailure &failure) {
        // Cut off by the time limit: the same advice as the member tree gives for a slow page.
        if (columns.isFlat() || failure.Message() != QueryDeadline::interruptedText(m_limit)) throw;
        throw MethodFailure(QStringLiteral("%1 Se a coluna %2 da tabela %3 não tiver índice, um "
                                           "índice a tornaria mais rápida (CREATE INDEX ... ON %3 (%2)).")
                                .arg(failure.Message(), columns.parent().name, columns.table()));
    }
    profile.hierarchy->parentType = columns.parent().declaredType;
    return packet::toVariant(profile.toPacket());
}

qint64 DimensionProfiler::measureKeys(QueryDeadline &reads, const ProfileQueries &sql,
                                      DimensionProfile &profile)
{
    const QSqlQuery totals = oneRow(reads, sql.totals());
    profile.rows = totals.value(0).toLongLong();
    const qint64 keyedRows = totals.value(1).toLongLong();
    profile.nullKeys = profile.rows - keyedRows;
    profile.blankAttributes = totals.value(2).toLongLong();

    const QSqlQuery keys = oneRow(reads, sql.keyCounts());
    profile.distinctKeys = keys.value(0).toLongLong();
    profile.repeatedKeys = keys.value(1).toLongLong();
    if (profile.repeatedKeys > 0)
        profile.repeatedKeyExamples = texts(reads, sql.duplicateExamples());
    profile.depth = profile.rows > 0 ? 1 : 0;
    return keyedRows;
}

void DimensionProfiler::measureHierarchy(QueryDeadline &reads, const ProfileQueries &sql,
                                         qint64 keyedRows, DimensionProfile &profile)
{
    DimensionProfile::Hierarchy hierarchy;
    hierarchy.parentTypeDiffers = sql.parentTypeDiffers();
    hierarchy.orphans = oneRow(reads, sql.orphanCount()).value(0).toLongLong();
    if (hierarchy.orphans > 0) hierarchy.orphanExamples = texts(reads, sql.orphanExamples());

    // No chain without a repeated member is longer than the rows that have a key.
    const QVariantList longestChain{keyedRows};
    const QSqlQuery walk = oneRow(reads, sql.walkFromRoots(), longestChain);
    const qint64 reachedKeys = walk.value(0).toLongLong();
    profile.depth = walk.value(1).toInt();
    if (reachedKeys < profile.distinctKeys) {
        QVector<CycleFinder::Edge> edges;
        eachRow(reads, sql.unreachedRows(), longestChain, [&](const QSqlQuery &q) {
            edges.push_back({q.value(0).toString(), q.value(1).toString()});
        });
        const CycleFinder cycles(edges);
        hierarchy.cycles = cycles.count();
        hierarchy.cycleExample = cycles.example();
    }
    profile.hierarchy = hierarchy;
}
