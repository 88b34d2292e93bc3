#include "PostgresSelect.h"

#include "ExactText.h"

#include <libpq-fe.h>
#include <memory>
#include <vector>

QString PostgresSelect::numbered(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    bool quoted = false;
    int next = 1;
    for (QChar c : sql) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (c == QLatin1Char('?') && !quoted)
            out += QLatin1Char('$') + QString::number(next++);
        else
            out += c;
    }
    return out;
}

std::variant<packet::Packet, PostgresSelect::Failure>
PostgresSelect::run(pg_conn *connection, const QString &sql, const QVariantList &values,
                    const QVector<packet::FieldDef> &fields)
{
    std::vector<QByteArray> texts;
    texts.reserve(size_t(values.size()));
    std::vector<const char *> pointers;
    for (const QVariant &v : values) {
        texts.push_back(v.isNull() ? QByteArray() : v.toString().toUtf8());
        pointers.push_back(v.isNull() ? nullptr : texts.back().constData());
    }
    const QByteArray statement = numbered(sql).toUtf8();
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(connection, statement.constData(), int(pointers.size()), nullptr,
                     pointers.data(), nullptr, nullptr, 0),
        &PQclear);
    if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        const char *state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        return Failure{QString::fromLatin1(state ? state : ""),
                       QString::fromUtf8(PQerrorMessage(connection))};
    }
    packet::Packet packet;
    packet.fields = fields;
    const int rows = PQntuples(result.get());
    const int columns = std::min(int(fields.size()), PQnfields(result.get()));
    packet.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        packet::Row row(fields.size());
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result.get(), r, c)) continue;
            row[c] = exact_text::fromTrustedUtf8(
                QByteArrayView(PQgetvalue(result.get(), r, c), PQgetlength(result.get(), r, c)));
        }
        packet.rows.push_back(std::move(row));
    }
    return packet;
}
