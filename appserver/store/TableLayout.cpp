#include "TableLayout.h"

#include "DimensionFields.h"

#include <QStringList>

TableLayout::TableLayout(QString table, QVector<Field> fields, QVector<int> keyFields)
    : m_table(std::move(table)), m_fields(std::move(fields)), m_keyFields(std::move(keyFields))
{
}

const TableLayout &TableLayout::dimensions()
{
    namespace df = dimension_fields;
    static const TableLayout layout(df::Table,
                                    {{df::Flag, 1},
                                     {df::Code, 5},
                                     {df::Name, 30},
                                     {df::DimensionTable, 30},
                                     {df::Key, 30},
                                     {df::Attribute, 30},
                                     {df::Parent, 30}},
                                    {1});
    return layout;
}

const TableLayout &TableLayout::extras()
{
    namespace ef = extra_fields;
    static const TableLayout layout(ef::Table, {{ef::Code, 5}, {ef::Field, 30}, {ef::Name, 30}},
                                    {0, 1});
    return layout;
}

const TableLayout &TableLayout::fieldList()
{
    static const TableLayout layout(QString(), {{QStringLiteral("CDFIELD"), 30}, {QStringLiteral("DSTIPO"), 30}}, {});
    return layout;
}

int TableLayout::indexOf(const QString &fieldName) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name == fieldName) return i;
    return -1;
}

QVector<packet::FieldDef> TableLayout::fieldDefs() const
{
    QVector<packet::FieldDef> defs;
    defs.reserve(m_fields.size());
    for (const Field &f : m_fields)
        defs.push_back({f.name, f.width});
    return defs;
}

QString TableLayout::columnList() const
{
    QStringList names;
    for (const Field &f : m_fields)
        names << f.name;
    return names.join(QStringLiteral(", "));
}

QString TableLayout::selectAll() const
{
    return QStringLiteral("SELECT ") + columnList() + QStringLiteral(" FROM ") + m_table;
}
