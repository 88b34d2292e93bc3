#include "SqliteStatementCache.h"

#include "ExactText.h"
#include "MethodFailure.h"
#include "SqliteText.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3 *handle)
{
    throw MethodFailure(QStringLiteral("Erro no banco de dados: %1")
                            .arg(QString::fromUtf8(sqlite3_errmsg(handle))));
}

// Leaves the statement ready for its next use, whichever way the read ends.
class StatementUse
{
public:
    explicit StatementUse(sqlite3_stmt *statement) : m_statement(statement) {}
    ~StatementUse()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

private:
    sqlite3_stmt *m_statement;
};

} // namespace

SqliteStatementCache::~SqliteStatementCache()
{
    clear();
}

void SqliteStatementCache::clear()
{
    for (sqlite3_stmt *statement : m_statements.takeAll())
        sqlite3_finalize(statement);
    m_handle = nullptr;
}

sqlite3_stmt *SqliteStatementCache::prepared(sqlite3 *handle, const QString &sql)
{
    if (handle != m_handle) {
        clear();
        m_handle = handle;
    }
    if (sqlite3_stmt *const *cached = m_statements.find(sql)) return *cached;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare16_v3(handle, sql.utf16(), int(sql.size() * sizeof(char16_t)),
                             SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
        fail(handle);
    // None of those pushed out is in use: a statement is used only within one select().
    for (sqlite3_stmt *gone : m_statements.keep(sql, statement))
        sqlite3_finalize(gone);
    return statement;
}

packet::Packet SqliteStatementCache::select(QSqlDatabase &db, const QString &sql,
                                            const QVariantList &values,
                                            const QVector<packet::FieldDef> &fields)
{
    const QVariant driverHandle = db.driver()->handle();
    if (qstrcmp(driverHandle.typeName(), "sqlite3*") != 0)
        throw MethodFailure(QStringLiteral("Conexão SQLite sem o identificador esperado."));
    sqlite3 *handle = *static_cast<sqlite3 *const *>(driverHandle.data());
    sqlite3_stmt *statement = prepared(handle, sql);
    StatementUse use(statement);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &value = values[i];
        const int rc = value.isNull() ? sqlite3_bind_null(statement, i + 1) : [&] {
            const QString text = sqliteUtf16Text(value.toString());
            return sqlite3_bind_text16(statement, i + 1, text.utf16(),
                                       int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
        }();
        if (rc != SQLITE_OK) fail(handle);
    }
    packet::Packet result;
    result.fields = fields;
    const int columns = int(fields.size());
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        packet::Row row(columns);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement, c) == SQLITE_NULL) continue;
            // UTF-8 as stored: Qt's decoder is faster than SQLite's conversion to UTF-16.
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
            row[c] = exact_text::fromTrustedUtf8(
                QByteArrayView(text, sqlite3_column_bytes(statement, c)));
        }
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) fail(handle);
    return result;
}
