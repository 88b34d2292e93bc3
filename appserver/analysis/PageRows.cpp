#include "PageRows.h"

#include "MethodFailure.h"
#include "QueryDeadline.h"

#include <QSqlError>

QVector<packet::Row> pageRows(QueryDeadline &reads, const QString &sql, const QVariantList &values,
                              int columns)
{
    QSqlQuery query = reads.run(sql, values);
    QVector<packet::Row> rows;
    while (query.next()) {
        packet::Row row(columns);
        for (int i = 0; i < columns; ++i)
            if (!query.isNull(i)) row[i] = query.value(i).toString();
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        reads.checkTimeLeft();
        throw MethodFailure(
            QStringLiteral("Erro no banco de dados: %1").arg(query.lastError().text()));
    }
    return rows;
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
