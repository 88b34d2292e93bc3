#pragma once

#include "DataPacket.h"
#include "DatabaseConfig.h"
#include "PostgresSelect.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

class CatalogueMemo;
class SqliteStatementCache;
struct pg_conn;
struct sqlite3;

// One database connection, owned by and used on one thread only (QSqlDatabase is per-thread).
// Opened on first use; a connection that breaks, or whose statement was cut off at its
// deadline, is dropped and opened afresh on the next call, except inside a transaction: its
// changes went with the connection, so every later statement of it fails with the cause
// instead of running alone on a new connection. interrupt() is the one member another thread
// may call.
class Database
{
public:
    Database(const DatabaseConfig &config, QString connectionName);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    SqlDialect dialect() const { return m_config.dialect(); }
    // Opened; MethodFailure when the database cannot be reached, after an interruption, or
    // when the transaction under way is no longer the database's.
    QSqlDatabase &handle();
    sqlite3 *sqliteConnection(); // handle()'s native connection; nullptr on PostgreSQL
    sqlite3 *openSqlite() const { return m_sqlite; } // without opening; nullptr when closed

    // A transaction through these three only: begin() runs the given BEGIN statement, commit()
    // ends it, after making sure the database still holds it, and rollbackQuietly() gives it up.
    void begin(const QString &statement);
    // A write transaction: on SQLite it takes the write lock at once (BEGIN IMMEDIATE), so that
    // two writers queue instead of one failing halfway.
    void beginWrite();
    void commit();

    // Runs one statement with bound values; MethodFailure with the database's text on error.
    // A statement that changes rows is prepared once per connection and kept for the next call.
    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    // Every row of a query, its columns in order; the statement is prepared once per
    // connection, read to its end and left ready, so that it holds no read open on SQLite.
    QVector<QVariantList> rows(const QString &sql, const QVariantList &values);
    bool exists(const QString &sql, const QVariantList &values); // the query yields a row
    // Runs a SELECT whose columns are the given fields, in order, into a content packet.
    packet::Packet select(const QString &sql, const QVariantList &values,
                          const QVector<packet::FieldDef> &fields);

    // What goes with reads: on PostgreSQL sent with them in one pipeline, so that the reads
    // and the transaction's bounds take one round trip; on SQLite run one after another. With
    // neither, the reads of one round trip on PostgreSQL still share one transaction: the
    // pipeline's own, which ends with it.
    struct ReadBracket
    {
        QString begin;         // a BEGIN statement: the reads open a transaction (none is open)
        bool rollback = false; // the transaction ends just after them
    };
    using Read = PostgresSelect::Read;
    // What reads answered: a packet for each, in order, up to the first that failed, whose
    // failure (the MethodFailure select() would throw) is `failure`.
    struct Reads
    {
        QVector<packet::Packet> packets;
        std::exception_ptr failure;
    };
    // The reads in their bracket, each read as select() reads it. A failure leaves the
    // transaction as it was before: one that `begin` opened is given up, one open already stays
    // open for its owner to end.
    Reads select(const QVector<Read> &reads, const ReadBracket &bracket);

    // SQLite's schema version, which every change of structure changes; nullopt on PostgreSQL.
    std::optional<qint64> sqliteSchemaVersion();
    // The catalogue look-ups this connection keeps; emptied when the connection closes.
    CatalogueMemo &catalogueMemo() { return *m_catalogueMemo; }

    // Turns a failed statement into MethodFailure, dropping a connection that broke.
    [[noreturn]] void fail(const QSqlQuery &query);
    [[noreturn]] void fail(const QSqlError &error);

    // Ends the transaction under way without a word; a connection that cannot is dropped,
    // which ends the transaction too. Never throws.
    void rollbackQuietly() noexcept;

    // From another thread: cuts off the statement under way, which then fails with the
    // deadline's message, and so does every later one until startRequest().
    void interrupt();
    // On this connection's thread, before a request is watched: a connection cut off during
    // the last one is opened afresh.
    void startRequest();

    // The request under way found the database silent: cut off at its deadline, or not
    // connected within the connect timeout. Until startRequest().
    bool leftUnanswered() const { return m_interrupted || m_connectTimedOut; }
    // What a call cut off at its deadline is answered.
    static QString deadlineText(const DatabaseDeadlines &deadlines);
    // Statements stopped at their deadline since the program started, on every connection.
    static quint64 deadlinesHit() { return s_deadlinesHit.load(std::memory_order_relaxed); }

private:
    static std::atomic<quint64> s_deadlinesHit;

    enum class TransactionState { None, Open, Lost };

    void open();
    void close() noexcept;
    void requireTransactionHeld();
    bool engineHoldsTransaction() const;
    [[noreturn]] void failWith(const QString &nativeCode, const QString &text, bool connectionLost);
    bool broken(bool connectionLost) const;
    bool pastDeadline(const QString &nativeCode) const;
    [[noreturn]] void failSqliteRead();
    QString deadlineText() const;
    static QString connectionLostText();
    QSqlQuery &prepared(const QString &sql, const QVariantList &values);

    DatabaseConfig m_config;
    QString m_name;
    QSqlDatabase m_db;
    std::unique_ptr<SqliteStatementCache> m_sqliteReads; // SQLite only
    std::unique_ptr<PostgresSelect> m_postgresReads;     // PostgreSQL only
    std::unique_ptr<CatalogueMemo> m_catalogueMemo;
    // Statements prepared on this connection, by their text; gone with the connection.
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;

    // What interrupt() reaches, guarded so that it never touches a connection being closed.
    std::mutex m_nativeMutex;
    sqlite3 *m_sqlite = nullptr;
    int m_postgresSocket = -1;
    std::atomic<bool> m_interrupted{false};
    bool m_connectTimedOut = false;
    pg_conn *m_postgres = nullptr; // read on this connection's thread only

    TransactionState m_transaction = TransactionState::None;
    QString m_lostBecause; // why a Lost transaction was lost
};
