#pragma once

#include "DataPacket.h"

#include <QDeadlineTimer>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <chrono>

class Database;
struct sqlite3;

// A series of reads on one connection under one time limit, in one consistent snapshot of
// the data. A statement still running when the time is up is stopped by the database itself
// (SQLite's progress handler, PostgreSQL's statement_timeout), so a worker is never held
// longer than the limit; the caller gets MethodFailure with interruptedText(). On a SQLite file
// without WAL, where a reader holds a writer's commit back, the reads also stop when a save of
// this server is under way (MethodFailure with gaveWayText()). Everything is rolled back and
// the connection left as it was found when the object goes.
class QueryDeadline
{
public:
    QueryDeadline(Database &db, std::chrono::milliseconds limit);
    ~QueryDeadline();
    QueryDeadline(const QueryDeadline &) = delete;
    QueryDeadline &operator=(const QueryDeadline &) = delete;

    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    // As run(), every row read into a content packet of the given fields, through the
    // connection's kept statements (Database::select): no preparing per call, no QVariant per
    // value. Values are bound as texts.
    packet::Packet select(const QString &sql, const QVariantList &values,
                          const QVector<packet::FieldDef> &fields);
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
    bool mustStop() const;
    static int stopStatement(void *self);

    Database &m_db;
    std::chrono::milliseconds m_limit;
    QDeadlineTimer m_deadline;
    sqlite3 *m_sqlite = nullptr; // the connection the progress handler is on
    bool m_givesWayToWriters = false;
    mutable bool m_gaveWay = false;
};
