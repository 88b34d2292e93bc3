#include "Database.h"

#include "MethodFailure.h"
#include "SqliteStatementCache.h"

#include <QSqlError>

Database::Database(const DatabaseConfig &config, QString connectionName)
    : m_config(config), m_name(std::move(connectionName))
{
    if (m_config.isSqlite()) m_sqliteReads = std::make_unique<SqliteStatementCache>();
}

Database::~Database()
{
    if (m_db.isValid()) {
        close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

void Database::close()
{
    // Statements prepared on a connection must be gone before it closes.
    if (m_sqliteReads) m_sqliteReads->clear();
    m_db.close();
}

QSqlDatabase &Database::handle()
{
    if (!m_db.isValid()) m_db = m_config.addConnection(m_name);
    if (!m_db.isOpen()) {
        if (!m_db.open())
            throw MethodFailure(QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
                                    .arg(m_config.displayUrl(), m_db.lastError().text()));
        if (m_config.isSqlite()) {
            // SQLite checks foreign keys only when each connection asks for it.
            QSqlQuery pragma(m_db);
            pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        }
    }
    return m_db;
}

QSqlQuery Database::run(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(handle());
    query.setForwardOnly(true);
    // PostgreSQL cannot prepare statements such as CREATE TABLE; without values there is
    // nothing to bind, so those run as they are.
    if (values.isEmpty()) {
        if (!query.exec(sql)) fail(query);
        return query;
    }
    if (!query.prepare(sql)) fail(query);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec()) fail(query);
    return query;
}

packet::Packet Database::select(const QString &sql, const QVariantList &values,
                                const QVector<packet::FieldDef> &fields)
{
    if (m_sqliteReads) return m_sqliteReads->select(handle(), sql, values, fields);
    QSqlQuery query = run(sql, values);
    packet::Packet result;
    result.fields = fields;
    const int columns = int(fields.size());
    while (query.next()) {
        packet::Row row(columns);
        for (int i = 0; i < columns; ++i) {
            const QVariant value = query.value(i);
            if (!value.isNull()) row[i] = value.toString();
        }
        result.rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) fail(query);
    return result;
}

void Database::fail(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    if (error.type() == QSqlError::ConnectionError || !m_db.isOpen())
        close(); // a database that restarted: opened afresh by the next call
    throw MethodFailure(QStringLiteral("Erro no banco de dados: %1").arg(error.text()));
}

bool Database::exists(const QString &sql, const QVariantList &values)
{
    return run(sql, values).next();
}
