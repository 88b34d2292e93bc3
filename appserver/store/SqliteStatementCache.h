#pragma once

#include "DataPacket.h"
#include "RecentStatements.h"

#include <QString>
#include <QVariantList>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

// Reads the rows of the server's own lists straight through SQLite's C interface, with each
// statement prepared once per connection and kept while it is among the most recently used
// (RecentStatements). The Qt driver turns every value into a QVariant first, which on a long
// list costs more than the query itself (docs/server.md, "Performance").
// Used on the thread that owns the connection only; clear() before the connection closes.
class SqliteStatementCache
{
public:
    SqliteStatementCache() = default;
    ~SqliteStatementCache();
    SqliteStatementCache(const SqliteStatementCache &) = delete;
    SqliteStatementCache &operator=(const SqliteStatementCache &) = delete;

    // MethodFailure with SQLite's text on error. Values are bound as text or null.
    packet::Packet select(QSqlDatabase &db, const QString &sql, const QVariantList &values,
                          const QVector<packet::FieldDef> &fields);
    void clear();

private:
    sqlite3_stmt *prepared(sqlite3 *handle, const QString &sql);

    sqlite3 *m_handle = nullptr; // the connection the cached statements belong to
    RecentStatements<sqlite3_stmt *> m_statements;
};
