#include "PostgresSelect.h"

#include "ExactText.h"

#include <libpq-fe.h>
#include <memory>
#include <vector>

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

PostgresSelect::Failure failureOf(pg_conn *connection, const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return {QString::fromLatin1(state ? state : ""), QString::fromUtf8(PQerrorMessage(connection))};
}

// A statement prepared earlier that the database no longer takes as it was: its tables changed
// shape (0A000, "cached plan must not change result type") or it was deallocated by someone
// else (26000). Prepared afresh, it runs.
bool staleStatement(const PostgresSelect::Failure &failure)
{
    return failure.sqlState == QLatin1String("0A000") || failure.sqlState == QLatin1String("26000");
}

} // namespace

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

void PostgresSelect::clear()
{
    m_names.clear();
    m_connection = nullptr;
}

std::variant<packet::Packet, PostgresSelect::Failure>
PostgresSelect::run(pg_conn *connection, const QString &sql, const QVariantList &values,
                    const QVector<packet::FieldDef> &fields)
{
    if (connection != m_connection) {
        clear();
        m_connection = connection;
    }
    std::vector<QByteArray> texts;
    texts.reserve(size_t(values.size()));
    std::vector<const char *> pointers;
    for (const QVariant &v : values) {
        texts.push_back(v.isNull() ? QByteArray() : v.toString().toUtf8());
        pointers.push_back(v.isNull() ? nullptr : texts.back().constData());
    }
    Result result(nullptr, &PQclear);
    for (int attempt = 0; attempt < 2; ++attempt) {
        QByteArray name = m_names.value(sql);
        if (name.isEmpty()) {
            const QByteArray newName = "kzr_select_" + QByteArray::number(++m_next);
            const Result prepared(PQprepare(connection, newName.constData(),
                                            numbered(sql).toUtf8().constData(),
                                            int(pointers.size()), nullptr),
                                  &PQclear);
            if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK)
                return failureOf(connection, prepared.get());
            m_names.insert(sql, newName);
            name = newName;
        }
        result.reset(PQexecPrepared(connection, name.constData(), int(pointers.size()),
                                    pointers.data(), nullptr, nullptr, 0));
        if (result && PQresultStatus(result.get()) == PGRES_TUPLES_OK) break;
        const Failure failure = failureOf(connection, result.get());
        if (attempt > 0 || !staleStatement(failure)) return failure;
        // Dropped quietly: a failure here only means it is gone already.
        PQclear(PQexec(connection, ("DEALLOCATE " + name).constData()));
        m_names.remove(sql);
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
