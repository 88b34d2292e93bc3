#include "DimensionColumns.h"

#include "Catalogue.h"
#include "Database.h"
#include "MethodFailure.h"
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

} // namespace

DimensionColumns::DimensionColumns(Database &db, const QString &table, const QString &key,
                                   const QString &attribute, const QString &parent)
{
    if (key.trimmed().isEmpty() || attribute.trimmed().isEmpty())
        throw MethodFailure(QStringLiteral("Informe o campo chave e o atributo principal da "
                                           "dimensão para analisar os seus dados."));
    QStringList names{key, attribute, parent};
    m_verdict = StructureCheck(db).verify(table, names);
    if (!m_verdict.isNull()) return;

    Catalogue catalogue(db);
    const std::optional<QString> realTable = catalogue.findTable(table);
    if (!realTable)
        throw MethodFailure(
            QStringLiteral("A tabela \"%1\" deixou de existir durante a análise.").arg(table));
    const QVector<Catalogue::Column> columns = catalogue.columns(*realTable);
    m_table = *realTable;
    m_key = columnOf(columns, key);
    m_attribute = columnOf(columns, attribute);
    m_parent = columnOf(columns, parent);
}
