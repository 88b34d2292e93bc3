#include "QueryDeadline.h"

#include "Database.h"
#include "MethodFailure.h"
#include "PendingWrites.h"

#include <QLocale>
#include <sqlite3.h>

namespace {

constexpr qint64 CancelMarginMs = 100;

const QLatin1String PostgresBegin("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY");

} // namespace

QueryDeadline::QueryDeadline(Database &db, std::chrono::milliseconds limit)
    : m_db(db), m_limit(limit), m_deadline(limit)
{
    if (m_db.dialect().isSqlite()) {
        const QVector<QVariantList> mode = m_db.rows(QStringLiteral("PRAGMA journal_mode"), {});
        m_givesWayToWriters = mode.isEmpty() || mode.first().value(0).toString().compare(
                                                    "wal", Qt::CaseInsensitive) != 0;
        m_db.begin(QStringLiteral("BEGIN"));
        m_open = true;
        // The handler goes in last: nothing after it may throw, or it would outlive us.
        m_sqlite = m_db.sqliteConnection();
        sqlite3_progress_handler(m_sqlite, 4000, stopStatement, this);
    }
    // On PostgreSQL the transaction begins with the first read, in the same round trip.
}

QueryDeadline::~QueryDeadline()
{
    // A connection dropped meanwhile took its handler with it; one still open keeps it.
    if (m_sqlite && m_db.openSqlite() == m_sqlite)
        sqlite3_progress_handler(m_sqlite, 0, nullptr, nullptr);
    if (m_open) m_db.rollbackQuietly();
}

QString QueryDeadline::interruptedText(std::chrono::milliseconds limit)
{
    const QString seconds = limit.count() % 1000 == 0
                                ? QString::number(limit.count() / 1000)
                                : QLocale(QLocale::Portuguese, QLocale::Brazil)
                                      .toString(double(limit.count()) / 1000.0, 'g', 6);
    return QStringLiteral("Análise interrompida após %1 s.").arg(seconds);
}

QString QueryDeadline::gaveWayText()
{
    return QStringLiteral("Análise interrompida para dar lugar a uma gravação.");
}

bool QueryDeadline::mustStop() const
{
    if (m_deadline.hasExpired()) return true;
    // Remembered: the save may be over by the time the stopped statement is reported.
    if (m_givesWayToWriters && PendingWrites::count() > 0) m_gaveWay = true;
    return m_gaveWay;
}

// Asked by SQLite every few thousand steps of a statement; non-zero stops the statement.
int QueryDeadline::stopStatement(void *self)
{
    return static_cast<const QueryDeadline *>(self)->mustStop() ? 1 : 0;
}

void QueryDeadline::interrupted() const
{
    if (m_gaveWay) throw MethodFailure(gaveWayText());
    throw MethodFailure(interruptedText(m_limit));
}

void QueryDeadline::checkTimeLeft() const
{
    if (mustStop()) interrupted();
}

QString QueryDeadline::timeLeftSetting() const
{
    // A timeout of 0 would mean none at all.
    const qint64 left = qMax<qint64>(1, m_deadline.remainingTime());
    return QStringLiteral("SET LOCAL statement_timeout = %1").arg(left);
}

QSqlQuery QueryDeadline::run(const QString &sql, const QVariantList &values)
{
    return underDeadline([&] {
        if (!m_db.dialect().isSqlite()) {
            if (!m_open) {
                m_db.begin(PostgresBegin);
                m_open = true;
            }
            m_db.run(timeLeftSetting());
        }
        return m_db.run(sql, values);
    });
}

packet::Packet QueryDeadline::select(const QString &sql, const QVariantList &values,
                                     const QVector<packet::FieldDef> &fields, Then then)
{
    Database::Reads read = select({Database::Read{sql, values, fields}}, then);
    if (read.failure) std::rethrow_exception(read.failure);
    return std::move(read.packets.front());
}

Database::Reads QueryDeadline::select(const QVector<Database::Read> &reads, Then then)
{
    Database::Reads answer;
    try {
        checkTimeLeft();
        if (m_db.dialect().isSqlite()) {
            // SQLite's transaction is in this process: it ends with the object, at no cost.
            for (const Database::Read &read : reads)
                answer.packets.push_back(m_db.select(read.sql, read.values, read.fields));
        } else {
            // The time left and the promise to write nothing go first, for the transaction.
            // A series read in one round trip needs no transaction of its own: the pipeline's
            // ends with it, and with a failure.
            static const QString limits =
                QStringLiteral("SELECT pg_catalog.set_config('statement_timeout', ?, true), "
                               "pg_catalog.set_config('transaction_read_only', 'on', true)");
            // A timeout of 0 would mean none at all.
            const qint64 left = qMax<qint64>(1, m_deadline.remainingTime());
            QVector<Database::Read> sent{{limits, {QString::number(left)}, {}}};
            sent += reads;
            Database::ReadBracket bracket;
            if (!m_open && then == Then::ReadMore) bracket.begin = PostgresBegin;
            bracket.rollback = m_open && then == Then::End;
            answer = m_db.select(sent, bracket);
            if (!answer.packets.isEmpty()) answer.packets.removeFirst();
            // A failure leaves the transaction as it was: none when these reads were to begin
            // one, or the one open, which the destructor ends.
            if (!answer.failure) m_open = then == Then::ReadMore;
        }
    } catch (const MethodFailure &) {
        answer.failure = std::current_exception();
    }
    if (answer.failure) answer.failure = reported(answer.failure);
    return answer;
}

std::exception_ptr QueryDeadline::reported(std::exception_ptr failure) const
{
    // PostgreSQL's timer may fire a moment before ours.
    if (m_deadline.remainingTime() >= CancelMarginMs && !m_gaveWay) return failure;
    try {
        interrupted();
    } catch (const MethodFailure &) {
        failure = std::current_exception();
    }
    return failure;
}

template <typename Read> auto QueryDeadline::underDeadline(Read read) -> decltype(read())
{
    checkTimeLeft();
    try {
        return read();
    } catch (const MethodFailure &) {
        // PostgreSQL's timer may fire a moment before ours.
        if (m_deadline.remainingTime() < CancelMarginMs || m_gaveWay) interrupted();
        throw;
    }
}
