#pragma once

#include "DataPacket.h"
#include "DatabaseConfig.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>

class SqliteStatementCache;

// One database connection, owned by and used on one thread only (QSqlDatabase is per-thread).
// Opened on first use; a connection that breaks is dropped and opened afresh on the next call.
class Database
{
public:
    Database(const DatabaseConfig &config, QString connectionName);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    SqlDialect dialect() const { return m_config.dialect(); }
    QSqlDatabase &handle(); // opened; MethodFailure when the database cannot be reached

    // Runs one statement with bound values; MethodFailure with the database's text on error.
    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    bool exists(const QString &sql, const QVariantList &values); // the query yields a row
    // Runs a SELECT whose columns are the given fields, in order, into a content packet.
    packet::Packet select(const QString &sql, const QVariantList &values,
                          const QVector<packet::FieldDef> &fields);

    // Turns a failed statement into MethodFailure, dropping a connection that broke.
    [[noreturn]] void fail(const QSqlQuery &query);

private:
    void close();

    DatabaseConfig m_config;
    QString m_name;
    QSqlDatabase m_db;
    std::unique_ptr<SqliteStatementCache> m_sqliteReads; // SQLite only
};
