#pragma once

#include <QDeadlineTimer>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <chrono>

class Database;

// A series of reads on one connection under one time limit, in one consistent snapshot of
// the data. A statement still running when the time is up is stopped by the database itself
// (SQLite's progress handler, PostgreSQL's statement_timeout), so a worker is never held
// longer than the limit; the caller gets MethodFailure with interruptedText(). Everything is
// rolled back and the connection left as it was found when the object goes.
class QueryDeadline
{
public:
    QueryDeadline(Database &db, std::chrono::milliseconds limit);
    ~QueryDeadline();
    QueryDeadline(const QueryDeadline &) = delete;
    QueryDeadline &operator=(const QueryDeadline &) = delete;

    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    // MethodFailure with interruptedText() when the time is up; for work between statements.
    void checkTimeLeft() const;

    // "Análise interrompida após 15 s."
    static QString interruptedText(std::chrono::milliseconds limit);

private:
    [[noreturn]] void interrupted() const;

    Database &m_db;
    std::chrono::milliseconds m_limit;
    QDeadlineTimer m_deadline;
};
