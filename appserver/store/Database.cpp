#include "Database.h"

#include "Catalogue.h"
#include "CatalogueMemo.h"
#include "MethodFailure.h"
#include "PostgresSelect.h"
#include "SqliteStatementCache.h"
#include "SqliteText.h"

#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/socket.h>

namespace {

// Driver texts may span lines; the server's messages are one line each.
QString oneLine(const QString &text)
{
    return text.simplified();
}

template <typename Handle> Handle *nativeHandle(const QSqlDatabase &db, const char *typeName)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), typeName) != 0) return nullptr;
    return *static_cast<Handle *const *>(handle.data());
}

} // namespace

Database::Database(const DatabaseConfig &config, QString connectionName)
    : m_config(config), m_name(std::move(connectionName)),
      m_catalogueMemo(std::make_unique<CatalogueMemo>())
{
    if (m_config.isSqlite())
        m_sqliteReads = std::make_unique<SqliteStatementCache>();
    else
        m_postgresReads = std::make_unique<PostgresSelect>();
}

Database::~Database()
{
    if (m_db.isValid()) {
        close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

void Database::close() noexcept
{
    {
        std::lock_guard lock(m_nativeMutex);
        m_sqlite = nullptr;
        m_postgresSocket = -1;
    }
    m_postgres = nullptr;
    // The database gives up a transaction whose connection goes: none of it was stored.
    if (m_transaction == TransactionState::Open) {
        m_transaction = TransactionState::Lost;
        m_lostBecause = m_interrupted ? deadlineText() : connectionLostText();
    }
    // Statements prepared on a connection must be gone before it closes.
    if (m_sqliteReads) m_sqliteReads->clear();
    if (m_postgresReads) m_postgresReads->clear();
    m_catalogueMemo->clear();
    m_prepared.clear();
    m_db.close();
}

QSqlDatabase &Database::handle()
{
    // Past its deadline a request runs nothing more; the connection, left in doubt by the
    // statement that was cut off, is dropped.
    if (m_interrupted) {
        close();
        throw MethodFailure(deadlineText());
    }
    if (m_transaction == TransactionState::Lost) throw MethodFailure(m_lostBecause);
    if (!m_db.isValid()) m_db = m_config.addConnection(m_name);
    if (!m_db.isOpen()) open();
    if (m_transaction == TransactionState::Open) requireTransactionHeld();
    return m_db;
}

sqlite3 *Database::sqliteConnection()
{
    handle();
    return m_sqlite;
}

void Database::startRequest()
{
    m_connectTimedOut = false;
    if (m_interrupted) {
        close();
        m_interrupted = false;
    }
}

void Database::begin(const QString &statement)
{
    run(statement);
    m_transaction = TransactionState::Open;
}

void Database::beginWrite()
{
    begin(dialect().isSqlite() ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
}

bool Database::engineHoldsTransaction() const
{
    if (m_config.isSqlite()) return m_sqlite && sqlite3_get_autocommit(m_sqlite) == 0;
    if (!m_postgres) return false;
    // A query still being read row by row shows as active: its transaction cannot be told
    // then, and the next statement's own answer will.
    const PGTransactionStatusType status = PQtransactionStatus(m_postgres);
    return status == PQTRANS_INTRANS || status == PQTRANS_ACTIVE;
}

void Database::requireTransactionHeld()
{
    // SQLite rolls a transaction back by itself on some failures and goes on in autocommit;
    // PostgreSQL keeps a failed one open only to refuse everything. Either way a statement run
    // now would not belong to the transaction, so none runs.
    if (engineHoldsTransaction()) return;
    m_transaction = TransactionState::Lost;
    m_lostBecause =
        QStringLiteral("O banco de dados desfez a transação antes do fim: a operação foi "
                       "cancelada e nada foi gravado. Tente novamente.");
    throw MethodFailure(m_lostBecause);
}

void Database::commit()
{
    handle(); // a transaction lost already says why before any COMMIT is sent
    try {
        run(QStringLiteral("COMMIT"));
    } catch (const MethodFailure &) {
        // A PostgreSQL connection that broke while the COMMIT was on its way cannot tell
        // whether the server received it.
        if (m_transaction == TransactionState::Lost && !m_config.isSqlite()) {
            m_transaction = TransactionState::None;
            throw MethodFailure(
                QStringLiteral("A conexão com o banco de dados caiu durante a confirmação da "
                               "gravação; não é possível saber se ela foi concluída. Atualize os "
                               "dados para conferir."));
        }
        throw;
    }
    // Where the engine can tell, the transaction is over now; otherwise COMMIT was not ours.
    if (engineHoldsTransaction()) {
        m_transaction = TransactionState::Open;
        throw MethodFailure(QStringLiteral("O banco de dados não confirmou a gravação; nada foi "
                                           "gravado. Tente novamente."));
    }
    m_transaction = TransactionState::None;
}

void Database::open()
{
    QElapsedTimer clock;
    clock.start();
    if (!m_db.open()) {
        const int limitMs = m_config.deadlines().connectTimeoutMs;
        m_connectTimedOut =
            !m_config.isSqlite() && limitMs > 0 && clock.elapsed() >= limitMs * 9 / 10;
        if (m_connectTimedOut)
            throw MethodFailure(QStringLiteral("O banco de dados %1 não respondeu em %2 s.")
                                    .arg(m_config.displayUrl())
                                    .arg(clock.elapsed() / 1000.0, 0, 'f', 1));
        throw MethodFailure(QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
                                .arg(m_config.displayUrl(), oneLine(m_db.lastError().text())));
    }
    // Reachable by interrupt() before the first statement: the set-up below waits for the
    // database as much as any statement does.
    {
        std::lock_guard lock(m_nativeMutex);
        if (m_config.isSqlite()) {
            m_sqlite = nativeHandle<sqlite3>(m_db, "sqlite3*");
        } else if (PGconn *connection = nativeHandle<PGconn>(m_db, "pg_conn*")) {
            m_postgres = connection;
            m_postgresSocket = PQsocket(connection);
        }
    }
    QSqlQuery setup(m_db);
    if (m_config.isSqlite()) {
        // SQLite checks foreign keys only when each connection asks for it.
        setup.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    } else {
        // Compiling a statement costs more at each run than a statement here takes to run:
        // compiled, the member pages were slower and the profile's passes no quicker
        // (docs/server.md, "Member pages").
        setup.exec(QStringLiteral("SET jit = off"));
        if (m_config.deadlines().statementTimeoutMs > 0) {
            // The database itself cancels a statement that runs or waits for a lock too long.
            setup.exec(QStringLiteral("SET statement_timeout = %1")
                           .arg(m_config.deadlines().statementTimeoutMs));
        }
    }
}

std::atomic<quint64> Database::s_deadlinesHit{0};

void Database::interrupt()
{
    std::lock_guard lock(m_nativeMutex);
    if (!m_interrupted.exchange(true)) s_deadlinesHit.fetch_add(1, std::memory_order_relaxed);
    if (m_sqlite) sqlite3_interrupt(m_sqlite);
    // A database that does not answer at all cannot be asked to cancel: the socket is shut,
    // which ends the wait at once, and the connection is opened afresh next time.
    if (m_postgresSocket >= 0) ::shutdown(m_postgresSocket, SHUT_RDWR);
}

namespace {

// Past this many texts the connection's statements are let go and prepared again as needed:
// statements built from names a client sent must not pile up.
constexpr int MaxPreparedStatements = 128;

// A statement that changes rows and answers none; anything else (SELECT, WITH, PRAGMA...) may
// answer rows that its caller reads, and is not kept.
bool changesRows(const QString &sql)
{
    for (const char *verb : {"INSERT ", "UPDATE ", "DELETE "})
        if (sql.startsWith(QLatin1String(verb), Qt::CaseInsensitive)) return true;
    return false;
}

} // namespace

QSqlQuery &Database::prepared(const QString &sql, const QVariantList &values)
{
    QSqlDatabase &db = handle();
    std::shared_ptr<QSqlQuery> &query = m_prepared[sql];
    if (!query) {
        if (m_prepared.size() > MaxPreparedStatements) {
            m_prepared.clear();
            return prepared(sql, values);
        }
        query = std::make_shared<QSqlQuery>(db);
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            const QSqlError error = query->lastError();
            m_prepared.remove(sql);
            fail(error);
        }
    }
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values[i];
        query->bindValue(i, m_config.isSqlite() && v.typeId() == QMetaType::QString
                                ? QVariant(sqliteUtf16Text(v.toString()))
                                : v);
    }
    if (!query->exec()) {
        const QSqlError error = query->lastError();
        query->finish();
        // A statement PostgreSQL no longer takes (its tables changed shape, or it was
        // deallocated by someone else) is prepared afresh next time.
        const QString code = error.nativeErrorCode();
        if (code == QLatin1String("0A000") || code == QLatin1String("26000"))
            m_prepared.remove(sql);
        fail(error);
    }
    return *query;
}

QSqlQuery Database::run(const QString &sql, const QVariantList &values)
{
    // PostgreSQL cannot prepare statements such as CREATE TABLE; without values there is
    // nothing to bind, so those run as they are. A query's rows are read by its caller, so
    // it is not kept: a statement left part-read would hold SQLite's read open.
    if (!values.isEmpty() && changesRows(sql)) return prepared(sql, values);
    QSqlQuery query(handle());
    query.setForwardOnly(true);
    if (values.isEmpty()) {
        if (!query.exec(sql)) fail(query);
        return query;
    }
    if (!query.prepare(sql)) fail(query);
    for (const QVariant &v : values)
        query.addBindValue(m_config.isSqlite() && v.typeId() == QMetaType::QString
                               ? QVariant(sqliteUtf16Text(v.toString()))
                               : v);
    if (!query.exec()) fail(query);
    return query;
}

QVector<QVariantList> Database::rows(const QString &sql, const QVariantList &values)
{
    QSqlQuery &query = prepared(sql, values);
    QVector<QVariantList> result;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << query.value(c);
        result.push_back(std::move(row));
    }
    const QSqlError error = query.lastError();
    query.finish();
    if (error.isValid()) fail(error);
    return result;
}

packet::Packet Database::select(const QString &sql, const QVariantList &values,
                                const QVector<packet::FieldDef> &fields)
{
    if (m_sqliteReads) {
        try {
            return m_sqliteReads->select(handle(), sql, values, fields);
        } catch (const MethodFailure &) {
            failSqliteRead();
        }
    }
    auto outcome =
        m_postgresReads->run(nativeHandle<PGconn>(handle(), "pg_conn*"), sql, values, fields);
    if (auto *failure = std::get_if<PostgresSelect::Failure>(&outcome))
        failWith(failure->sqlState, failure->text, failure->broken);
    return std::get<packet::Packet>(std::move(outcome));
}

Database::Reads Database::select(const QVector<Read> &reads, const ReadBracket &bracket)
{
    const bool begins = !bracket.begin.isEmpty();
    Reads answer;
    if (m_sqliteReads) {
        try {
            if (begins) begin(bracket.begin);
            try {
                for (const Read &read : reads)
                    answer.packets.push_back(select(read.sql, read.values, read.fields));
                if (bracket.rollback) rollbackQuietly();
            } catch (const MethodFailure &) {
                if (begins) rollbackQuietly();
                throw;
            }
        } catch (const MethodFailure &) {
            answer.failure = std::current_exception();
        }
        return answer;
    }
    try {
        PGconn *connection = nativeHandle<PGconn>(handle(), "pg_conn*");
        PostgresSelect::Around around;
        if (begins) around.before << bracket.begin.toUtf8();
        if (bracket.rollback) around.after << QByteArrayLiteral("ROLLBACK");
        PostgresSelect::Outcome outcome = m_postgresReads->run(connection, reads, around);
        answer.packets = std::move(outcome.packets);
        if (outcome.failure)
            failWith(outcome.failure->sqlState, outcome.failure->text, outcome.failure->broken);
        if (begins) m_transaction = TransactionState::Open;
        if (bracket.rollback) m_transaction = TransactionState::None;
    } catch (const MethodFailure &) {
        answer.failure = std::current_exception();
    }
    return answer;
}

std::optional<qint64> Database::sqliteSchemaVersion()
{
    if (!m_sqliteReads) return std::nullopt;
    static const QVector<packet::FieldDef> version{{QStringLiteral("schema_version"), 0}};
    const packet::Packet read = select(QStringLiteral("PRAGMA schema_version"), {}, version);
    bool ok = false;
    const qint64 number =
        read.rows.isEmpty() ? 0 : read.rows.front().value(0).value_or(QString()).toLongLong(&ok);
    if (!ok) throw MethodFailure(QStringLiteral("Versão do esquema SQLite ilegível."));
    return number;
}

void Database::failSqliteRead()
{
    const int code = m_sqlite ? sqlite3_errcode(m_sqlite) : SQLITE_OK;
    if (m_interrupted || code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_INTERRUPT) {
        if (m_interrupted) close();
        throw MethodFailure(deadlineText());
    }
    throw; // the read's own failure, as it was
}

QString Database::connectionLostText()
{
    return QStringLiteral("A conexão com o banco de dados caiu durante a operação; nada foi "
                          "gravado. Tente novamente.");
}

QString Database::deadlineText() const
{
    return deadlineText(m_config.deadlines());
}

QString Database::deadlineText(const DatabaseDeadlines &deadlines)
{
    return QStringLiteral("O banco de dados não respondeu em %1 s; a operação foi cancelada. "
                          "Tente novamente.")
        .arg(deadlines.statementTimeoutMs / 1000.0);
}

bool Database::pastDeadline(const QString &nativeCode) const
{
    if (m_interrupted) return true;
    if (m_config.isSqlite()) {
        const int primary = nativeCode.toInt() & 0xff;
        return primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_INTERRUPT;
    }
    return nativeCode == QLatin1String("57014"); // query_canceled: statement_timeout
}

bool Database::broken(bool connectionLost) const
{
    if (m_interrupted || connectionLost || !m_db.isOpen()) return true;
    if (m_config.isSqlite()) return false;
    PGconn *connection = nativeHandle<PGconn>(m_db, "pg_conn*");
    return !connection || PQstatus(connection) == CONNECTION_BAD;
}

void Database::fail(const QSqlQuery &query)
{
    fail(query.lastError());
}

void Database::fail(const QSqlError &error)
{
    failWith(error.nativeErrorCode(), error.text(), error.type() == QSqlError::ConnectionError);
}

void Database::failWith(const QString &nativeCode, const QString &text, bool connectionLost)
{
    const bool deadline = pastDeadline(nativeCode);
    // Cut off from outside, it was counted then; here the database's own limit stopped it.
    if (deadline && !m_interrupted) s_deadlinesHit.fetch_add(1, std::memory_order_relaxed);
    if (broken(connectionLost)) close(); // a database that restarted: opened afresh next time
    if (deadline) throw MethodFailure(deadlineText());
    throw MethodFailure(QStringLiteral("Erro no banco de dados: %1").arg(oneLine(text)));
}

void Database::rollbackQuietly() noexcept
{
    try {
        if (!m_db.isValid() || !m_db.isOpen() || m_interrupted) {
            close();
        } else {
            QSqlQuery rollback(m_db);
            if (!rollback.exec(QStringLiteral("ROLLBACK"))) close();
        }
    } catch (...) {
        close();
    }
    m_transaction = TransactionState::None;
}

bool Database::exists(const QString &sql, const QVariantList &values)
{
    return !rows(sql, values).isEmpty();
}
