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
    const char *text = result ? PQresultErrorMessage(result) : "";
    return {QString::fromLatin1(state ? state : ""),
            QString::fromUtf8(*text ? text : PQerrorMessage(connection))};
}

PostgresSelect::Failure brokenConnection(pg_conn *connection)
{
    return {QString(), QString::fromUtf8(PQerrorMessage(connection)), true};
}

// A statement prepared earlier that the database no longer takes as it was: its tables changed
// shape (0A000, "cached plan must not change result type") or it was deallocated by someone
// else (26000). Prepared afresh, it runs.
bool staleStatement(const PostgresSelect::Failure &failure)
{
    return failure.sqlState == QLatin1String("0A000") || failure.sqlState == QLatin1String("26000");
}

// One read as a pipeline sends it.
struct Sent
{
    QByteArray name;
    std::optional<QByteArray> preparation; // the statement, when it is not prepared yet
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
};

// What one pipeline answered, read by read.
struct Answer
{
    // Usually one result a read. A query of Qt's driver that asked for single-row mode leaves
    // that mode set for the first query of a pipeline (libpq 15), whose rows then come one by
    // one.
    std::vector<std::vector<Result>> rows;
    std::vector<bool> complete;                     // the read ran to its end
    std::vector<bool> prepared;                     // its preparation, sent with it, succeeded
    std::optional<PostgresSelect::Failure> failure; // the first
    int failedRead = -1; // the read whose execution failed, if it was one
};

// Sends `around.before`, each read (its preparation first when it has one), `around.after`
// and one Sync in one pipeline, which libpq writes at once; then reads every answer up to the
// Sync's and leaves pipeline mode. PostgreSQL runs nothing of the pipeline after a failure.
Answer pipeline(pg_conn *connection, const std::vector<Sent> &reads,
                const PostgresSelect::Around &around)
{
    Answer answer;
    answer.rows.resize(reads.size());
    answer.complete.assign(reads.size(), false);
    answer.prepared.assign(reads.size(), false);
    const auto broken = [&] {
        answer.failure = brokenConnection(connection);
        return std::move(answer);
    };
    if (PQenterPipelineMode(connection) != 1) return broken();
    // Each command sent: -1 for a statement of `around`, else 2 * read (its preparation) or
    // 2 * read + 1 (its execution).
    std::vector<int> commands;
    bool sent = true;
    const auto send = [&](const QByteArray &statement) {
        sent = sent && PQsendQueryParams(connection, statement.constData(), 0, nullptr, nullptr,
                                         nullptr, nullptr, 0) == 1;
        commands.push_back(-1);
    };
    for (const QByteArray &statement : around.before)
        send(statement);
    for (size_t i = 0; i < reads.size(); ++i) {
        const Sent &read = reads[i];
        const int count = int(read.values.size());
        if (read.preparation) {
            sent = sent && PQsendPrepare(connection, read.name.constData(),
                                         read.preparation->constData(), count, nullptr) == 1;
            commands.push_back(int(2 * i));
        }
        sent = sent && PQsendQueryPrepared(connection, read.name.constData(), count,
                                           read.values.data(), nullptr, nullptr, 0) == 1;
        commands.push_back(int(2 * i + 1));
    }
    for (const QByteArray &statement : around.after)
        send(statement);
    if (!sent || PQpipelineSync(connection) != 1) return broken();
    // Each command's results end with a null; a failed command's, and each one after it up to
    // the Sync, are failures (PGRES_PIPELINE_ABORTED for those that did not run).
    for (const int command : commands) {
        const bool executing = command >= 0 && command % 2 == 1;
        const int read = command / 2;
        while (PGresult *next = PQgetResult(connection)) {
            Result result(next, &PQclear);
            const ExecStatusType status = PQresultStatus(next);
            if (executing && (status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE)) {
                answer.complete[read] = status == PGRES_TUPLES_OK;
                answer.rows[read].push_back(std::move(result));
            } else if (command >= 0 && !executing && status == PGRES_COMMAND_OK) {
                answer.prepared[read] = true;
            } else if ((executing || status != PGRES_COMMAND_OK) && !answer.failure) {
                answer.failure = failureOf(connection, next);
                if (executing) answer.failedRead = read;
            }
        }
        if (PQstatus(connection) == CONNECTION_BAD) return broken();
    }
    const Result sync(PQgetResult(connection), &PQclear);
    if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC ||
        PQexitPipelineMode(connection) != 1)
        return broken();
    return answer;
}

packet::Packet packetOf(const std::vector<Result> &results, const QVector<packet::FieldDef> &fields)
{
    packet::Packet packet;
    packet.fields = fields;
    for (const Result &part : results) {
        PGresult *result = part.get();
        const int rows = PQntuples(result);
        const int columns = std::min(int(fields.size()), PQnfields(result));
        packet.rows.reserve(packet.rows.size() + rows);
        for (int r = 0; r < rows; ++r) {
            packet::Row row(fields.size());
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(result, r, c)) continue;
                row[c] = exact_text::fromTrustedUtf8(
                    QByteArrayView(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
            }
            packet.rows.push_back(std::move(row));
        }
    }
    return packet;
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
    m_names.takeAll();
    m_dropped.clear();
    m_connection = nullptr;
}

void PostgresSelect::keep(const QString &sql, const QByteArray &name)
{
    for (QByteArray &gone : m_names.keep(sql, name))
        m_dropped << std::move(gone);
}

void PostgresSelect::deallocateDropped(pg_conn *connection)
{
    // Outside a transaction only, where a failure (a statement someone else deallocated
    // already) spoils nothing; each name was prepared on this connection and is not reused.
    if (m_dropped.isEmpty() || PQtransactionStatus(connection) != PQTRANS_IDLE) return;
    QByteArray statements;
    for (const QByteArray &name : std::as_const(m_dropped))
        statements += "DEALLOCATE " + name + ";";
    PQclear(PQexec(connection, statements.constData()));
    m_dropped.clear();
}

PostgresSelect::Outcome PostgresSelect::run(pg_conn *connection, const QVector<Read> &reads,
                                            const Around &around)
{
    if (connection != m_connection) {
        clear();
        m_connection = connection;
    }
    std::vector<Sent> sent(size_t(reads.size()));
    for (qsizetype i = 0; i < reads.size(); ++i) {
        Sent &read = sent[size_t(i)];
        read.texts.reserve(size_t(reads[i].values.size()));
        for (const QVariant &v : reads[i].values) {
            read.texts.push_back(v.isNull() ? QByteArray() : v.toString().toUtf8());
            read.values.push_back(v.isNull() ? nullptr : read.texts.back().constData());
        }
    }
    // What is left of a query of Qt's driver, never read to its end, is dropped first, as
    // libpq's PQexec would drop it.
    while (PGresult *left = PQgetResult(connection))
        PQclear(left);
    deallocateDropped(connection);
    const bool withoutTransaction = PQtransactionStatus(connection) == PQTRANS_IDLE;
    Answer answer;
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (qsizetype i = 0; i < reads.size(); ++i) {
            Sent &read = sent[size_t(i)];
            const QByteArray *kept = m_names.find(reads[i].sql);
            read.name = kept ? *kept : QByteArray();
            read.preparation.reset();
            if (read.name.isEmpty()) {
                read.name = "kzr_select_" + QByteArray::number(++m_next);
                read.preparation = numbered(reads[i].sql).toUtf8();
            }
        }
        answer = pipeline(connection, sent, around);
        for (qsizetype i = 0; i < reads.size(); ++i)
            if (answer.prepared[size_t(i)]) keep(reads[i].sql, sent[size_t(i)].name);
        if (!answer.failure || answer.failure->broken) break;
        // A transaction that the pipeline's own statements began is given up.
        if (withoutTransaction && PQtransactionStatus(connection) != PQTRANS_IDLE) {
            const Result rollback(PQexec(connection, "ROLLBACK"), &PQclear);
            if (PQresultStatus(rollback.get()) != PGRES_COMMAND_OK) {
                answer.failure->broken = true;
                break;
            }
        }
        const int failed = answer.failedRead;
        if (attempt > 0 || failed < 0 || sent[size_t(failed)].preparation ||
            !staleStatement(*answer.failure))
            break;
        // Dropped quietly: a failure here only means it is gone already.
        PQclear(PQexec(connection, ("DEALLOCATE " + sent[size_t(failed)].name).constData()));
        m_names.take(reads[failed].sql);
    }
    Outcome outcome;
    for (qsizetype i = 0; i < reads.size() && answer.complete[size_t(i)]; ++i)
        outcome.packets.push_back(packetOf(answer.rows[size_t(i)], reads[i].fields));
    outcome.failure = std::move(answer.failure);
    return outcome;
}

std::variant<packet::Packet, PostgresSelect::Failure>
PostgresSelect::run(pg_conn *connection, const QString &sql, const QVariantList &values,
                    const QVector<packet::FieldDef> &fields)
{
    Outcome outcome = run(connection, {Read{sql, values, fields}});
    if (outcome.failure) return *std::move(outcome.failure);
    return std::move(outcome.packets.front());
}
