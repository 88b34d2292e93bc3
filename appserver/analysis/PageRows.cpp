#include "PageRows.h"

QVector<packet::Row> pageRows(QueryDeadline &reads, const QString &sql, const QVariantList &values,
                              int columns, QueryDeadline::Then then)
{
    QVector<packet::FieldDef> fields(columns);
    return reads.select(sql, values, fields, then).rows;
}

packet::Packet pagePacket(const QStringList &names, QVector<packet::Row> rows)
{
    packet::Packet result;
    for (const QString &name : names)
        result.fields.push_back({name, 1});
    for (const packet::Row &row : rows)
        for (int i = 0; i < result.fields.size() && i < row.size(); ++i)
            if (row[i])
                result.fields[i].size = std::max(result.fields[i].size, int(row[i]->size()));
    result.rows = std::move(rows);
    return result;
}
