#include "DimensionColumns.h"

#include "Catalogue.h"
#include "Database.h"
#include "MethodFailure.h"
#include "StructureCheck.h"

namespace {

// judge() has found every name that is not blank in this same look-up.
ProfileQueries::Column columnOf(const QVector<Catalogue::Column> &columns, const QString &name)
{
    const Catalogue::Column *found =
        name.trimmed().isEmpty() ? nullptr : Catalogue::match(columns, name);
    return found ? ProfileQueries::Column{found->name, found->declaredType}
                 : ProfileQueries::Column{};
}

} // namespace

void DimensionColumns::requireKeyAndAttribute(const QString &key, const QString &attribute)
{
    if (key.trimmed().isEmpty() || attribute.trimmed().isEmpty())
        throw MethodFailure(QStringLiteral("Informe o campo chave e o atributo principal da "
                                           "dimensão para analisar os seus dados."));
}

std::optional<Catalogue::Table> DimensionColumns::lookedUp(Database &db, const QString &table,
                                                           const QString &key,
                                                           const QString &attribute)
{
    requireKeyAndAttribute(key, attribute);
    return Catalogue(db).table(table);
}

// One look-up for both the judgement and the names: on PostgreSQL each is a query.
DimensionColumns::DimensionColumns(Database &db, const QString &table, const QString &key,
                                   const QString &attribute, const QString &parent)
    : DimensionColumns(db, lookedUp(db, table, key, attribute), table, key, attribute, parent)
{
}

DimensionColumns::DimensionColumns(Database &db, const std::optional<Catalogue::Table> &found,
                                   const QString &table, const QString &key,
                                   const QString &attribute, const QString &parent)
{
    requireKeyAndAttribute(key, attribute);
    QStringList names{key, attribute, parent};
    m_verdict = StructureCheck(db).judge(found, table, names);
    if (!m_verdict.isNull()) return;
    m_table = found->name;
    m_key = columnOf(found->columns, key);
    m_attribute = columnOf(found->columns, attribute);
    m_parent = columnOf(found->columns, parent);
}
