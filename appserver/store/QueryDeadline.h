#pragma once

#include "DataPacket.h"
#include "Database.h"

#include <QDeadlineTimer>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <chrono>

struct sqlite3;

// A series of reads on one connection under one time limit, in one consistent snapshot of
// the data. A statement still running when the time is up is stopped by the database itself
// (SQLite's progress handler, PostgreSQL's statement_timeout), so a worker is never held
// longer than the limit; the caller gets MethodFailure with interruptedText(). On a SQLite file
// without WAL, where a reader holds a writer's commit back, the reads also stop when a save of
// this server is under way (MethodFailure with gaveWayText()). Everything is rolled back and
// the connection left as it was found when the object goes.
// On PostgreSQL each select() is one round trip: its reads go in one pipeline after a
// statement that gives them the time left (statement_timeout) and forbids writing, both for
// the transaction only. A series of several such round trips begins its read-only snapshot
// (REPEATABLE READ) in the first and, if the last says so, ends it in the last; a series read
// in one round trip needs no transaction of its own, the pipeline being one that ends with it.
class QueryDeadline
{
public:
    // What follows a read: more reads in the same snapshot, or none (the transaction ends with
    // it; a read after it begins another, still under the same time limit).
    enum class Then { ReadMore, End };

    QueryDeadline(Database &db, std::chrono::milliseconds limit);
    ~QueryDeadline();
    QueryDeadline(const QueryDeadline &) = delete;
    QueryDeadline &operator=(const QueryDeadline &) = delete;

    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    // As run(), every row read into a content packet of the given fields, through the
    // connection's kept statements (Database::select): no preparing per call, no QVariant per
    // value. Values are bound as texts.
    packet::Packet select(const QString &sql, const QVariantList &values,
                          const QVector<packet::FieldDef> &fields, Then then = Then::ReadMore);
    // Reads sent together, on PostgreSQL in one round trip: a packet for each, in order, up to
    // the first that failed, whose failure (as select() would throw it) is kept, not thrown,
    // so that what was read before it can be used.
    Database::Reads select(const QVector<Database::Read> &reads, Then then);
    // MethodFailure with interruptedText() when the time is up; for work between statements.
    void checkTimeLeft() const;

    // "Análise interrompida após 15 s."
    static QString interruptedText(std::chrono::milliseconds limit);
    // "Análise interrompida para dar lugar a uma gravação."
    static QString gaveWayText();

private:
    // One read: the time left given to PostgreSQL first, a failure near the limit reported
    // as the limit.
    template <typename Read> auto underDeadline(Read read) -> decltype(read());
    [[noreturn]] void interrupted() const;
    std::exception_ptr reported(std::exception_ptr failure) const; // near the limit: the limit
    QString timeLeftSetting() const; // SET LOCAL statement_timeout, to the time left
    bool mustStop() const;
    static int stopStatement(void *self);

    Database &m_db;
    std::chrono::milliseconds m_limit;
    QDeadlineTimer m_deadline;
    sqlite3 *m_sqlite = nullptr; // the connection the progress handler is on
    bool m_givesWayToWriters = false;
    bool m_open = false; // a transaction is open for these reads
    mutable bool m_gaveWay = false;
};
