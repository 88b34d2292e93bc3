#include "StructureCheck.h"

#include "Catalogue.h"
#include "ColumnTypeRule.h"
#include "Database.h"
#include "MethodFailure.h"
#include "StructureError.h"
#include "TableLayout.h"
#include "TextRules.h"

Variant StructureCheck::verify(const QString &table, QStringList &names)
{
    return judge(Catalogue(m_db).table(table), table, names);
}

Variant StructureCheck::judge(const std::optional<Catalogue::Table> &found, const QString &table,
                              QStringList &names)
{
    const QString error = errorText(found, table, names);
    return error.isEmpty() ? Variant::Null() : Variant::fromArray({Variant(error)});
}

QString StructureCheck::errorText(const std::optional<Catalogue::Table> &found,
                                  const QString &table, QStringList &names)
{
    if (!found) return structure_error::noTable(table);
    for (QString &name : names) {
        if (name.trimmed().isEmpty()) continue;
        const Catalogue::Column *column = Catalogue::match(found->columns, name);
        if (!column) return structure_error::noField(name, table);
        if (!ColumnTypeRule::mayConstituteDimension(m_db.dialect().isSqlite(),
                                                    column->declaredType))
            return structure_error::notForDimension(name);
        name = column->name;
    }
    return QString();
}

packet::Packet StructureCheck::dimensionFields(const QString &table)
{
    const std::optional<Catalogue::Table> found = Catalogue(m_db).table(table);
    if (!found)
        throw MethodFailure(
            QStringLiteral("A tabela \"%1\" não existe no banco de dados.").arg(table));
    const TableLayout &layout = TableLayout::fieldList();
    const int width = layout.fields().first().width;
    packet::Packet result;
    result.fields = layout.fieldDefs();
    for (const Catalogue::Column &column : found->columns) {
        if (characterCount(column.name) > width ||
            !ColumnTypeRule::mayConstituteDimension(m_db.dialect().isSqlite(), column.declaredType))
            continue;
        result.rows.push_back(packet::Row{UpperCase(column.name), column.declaredType});
    }
    return result;
}
