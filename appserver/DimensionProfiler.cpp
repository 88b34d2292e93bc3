#include "DimensionProfiler.h"

#include "Catalogue.h"
#include "CycleFinder.h"
#include "Database.h"
#include "MethodFailure.h"
#include "ProfileQueries.h"
#include "QueryDeadline.h"
#include "StructureCheck.h"

namespace {

ProfileQueries::Column columnOf(const QVector<Catalogue::Column> &columns, const QString &name)
{
    if (name.trimmed().isEmpty()) return {};
    const Catalogue::Column *found = Catalogue::match(columns, name);
    // StructureCheck has found every name already; a table changed in between is a failure.
    if (!found)
        throw MethodFailure(
            QStringLiteral("O campo \"%1\" deixou de existir durante a análise.").arg(name));
    return {found->name, found->declaredType};
}

QStringList texts(QSqlQuery query)
{
    QStringList result;
    while (query.next())
        result << query.value(0).toString();
    return result;
}

} // namespace

Variant DimensionProfiler::answer(const QString &table, const QString &key,
                                  const QString &attribute, const QString &parent)
{
    if (key.trimmed().isEmpty() || attribute.trimmed().isEmpty())
        throw MethodFailure(QStringLiteral("Informe o campo chave e o atributo principal da "
                                           "dimensão para analisar os seus dados."));
    QStringList names{key, attribute, parent};
    const Variant verdict = StructureCheck(m_db).verify(table, names);
    if (!verdict.isNull()) return verdict;

    QueryDeadline reads(m_db, m_limit);
    Catalogue catalogue(m_db);
    const std::optional<QString> realTable = catalogue.findTable(table);
    if (!realTable)
        throw MethodFailure(
            QStringLiteral("A tabela \"%1\" deixou de existir durante a análise.").arg(table));
    const QVector<Catalogue::Column> columns = catalogue.columns(*realTable);
    const ProfileQueries sql(m_db.dialect(), *realTable, columnOf(columns, key),
                             columnOf(columns, attribute), columnOf(columns, parent));

    DimensionProfile profile;
    profile.keyType = columnOf(columns, key).declaredType;
    QSqlQuery totals = reads.run(sql.totals());
    totals.next();
    profile.rows = totals.value(0).toLongLong();
    const qint64 keyedRows = totals.value(1).toLongLong();
    profile.nullKeys = profile.rows - keyedRows;
    profile.blankAttributes = totals.value(2).toLongLong();

    QSqlQuery keys = reads.run(sql.keyCounts());
    keys.next();
    profile.distinctKeys = keys.value(0).toLongLong();
    profile.repeatedKeys = keys.value(1).toLongLong();
    if (profile.repeatedKeys > 0)
        profile.repeatedKeyExamples = texts(reads.run(sql.duplicateExamples()));
    profile.depth = profile.rows > 0 ? 1 : 0;

    if (parent.trimmed().isEmpty()) return packet::toVariant(profile.toPacket());

    DimensionProfile::Hierarchy hierarchy;
    hierarchy.parentType = columnOf(columns, parent).declaredType;
    hierarchy.parentTypeDiffers = sql.parentTypeDiffers();
    QSqlQuery orphans = reads.run(sql.orphanCount());
    orphans.next();
    hierarchy.orphans = orphans.value(0).toLongLong();
    if (hierarchy.orphans > 0) hierarchy.orphanExamples = texts(reads.run(sql.orphanExamples()));

    // No chain without a repeated member is longer than the rows that have a key.
    const QVariantList longestChain{keyedRows};
    QSqlQuery walk = reads.run(sql.walkFromRoots(), longestChain);
    walk.next();
    const qint64 reachedKeys = walk.value(0).toLongLong();
    profile.depth = walk.value(1).toInt();
    if (reachedKeys < profile.distinctKeys) {
        QVector<CycleFinder::Edge> edges;
        QSqlQuery unreached = reads.run(sql.unreachedRows(), longestChain);
        while (unreached.next())
            edges.push_back({unreached.value(0).toString(), unreached.value(1).toString()});
        reads.checkTimeLeft();
        const CycleFinder cycles(edges);
        hierarchy.cycles = cycles.count();
        hierarchy.cycleExample = cycles.example();
    }
    profile.hierarchy = hierarchy;
    return packet::toVariant(profile.toPacket());
}
