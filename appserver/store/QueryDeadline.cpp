#include "QueryDeadline.h"

#include "Database.h"
#include "MethodFailure.h"
#include "PendingWrites.h"

#include <QLocale>
#include <sqlite3.h>

namespace {

constexpr qint64 CancelMarginMs = 100;

} // namespace

QueryDeadline::QueryDeadline(Database &db, std::chrono::milliseconds limit)
    : m_db(db), m_limit(limit), m_deadline(limit)
{
    if (m_db.dialect().isSqlite()) {
        const QVector<QVariantList> mode = m_db.rows(QStringLiteral("PRAGMA journal_mode"), {});
        m_givesWayToWriters = mode.isEmpty() || mode.first().value(0).toString().compare(
                                                    "wal", Qt::CaseInsensitive) != 0;
        m_db.begin(QStringLiteral("BEGIN"));
        // The handler goes in last: nothing after it may throw, or it would outlive us.
        m_sqlite = m_db.sqliteConnection();
        sqlite3_progress_handler(m_sqlite, 4000, stopStatement, this);
    } else {
        m_db.begin(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    }
}

QueryDeadline::~QueryDeadline()
{
    // A connection dropped meanwhile took its handler with it; one still open keeps it.
    if (m_sqlite && m_db.openSqlite() == m_sqlite)
        sqlite3_progress_handler(m_sqlite, 0, nullptr, nullptr);
    m_db.rollbackQuietly();
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

QSqlQuery QueryDeadline::run(const QString &sql, const QVariantList &values)
{
    return underDeadline([&] { return m_db.run(sql, values); });
}

packet::Packet QueryDeadline::select(const QString &sql, const QVariantList &values,
                                     const QVector<packet::FieldDef> &fields)
{
    return underDeadline([&] { return m_db.select(sql, values, fields); });
}

template <typename Read> auto QueryDeadline::underDeadline(Read read) -> decltype(read())
{
    checkTimeLeft();
    if (!m_db.dialect().isSqlite()) {
        // A timeout of 0 would mean none at all.
        const qint64 left = qMax<qint64>(1, m_deadline.remainingTime());
        m_db.run(QStringLiteral("SET LOCAL statement_timeout = %1").arg(left));
    }
    try {
        return read();
    } catch (const MethodFailure &) {
        // PostgreSQL's timer may fire a moment before ours.
        if (m_deadline.remainingTime() < CancelMarginMs || m_gaveWay) interrupted();
        throw;
    }
}
