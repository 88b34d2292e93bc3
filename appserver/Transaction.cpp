#include "Transaction.h"

#include "Database.h"
#include "MethodFailure.h"

#include <QSqlError>

Transaction::Transaction(Database &db) : m_db(db)
{
    if (m_db.dialect().isSqlite()) {
        m_db.run(QStringLiteral("BEGIN IMMEDIATE"));
    } else if (!m_db.handle().transaction()) {
        throw MethodFailure(QStringLiteral("Erro no banco de dados ao iniciar a transação: %1")
                                .arg(m_db.handle().lastError().text()));
    }
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open) return;
    // A failed rollback leaves nothing to do here: the database drops the transaction when
    // the connection closes.
    if (m_db.dialect().isSqlite()) {
        QSqlQuery rollback(m_db.handle());
        rollback.exec(QStringLiteral("ROLLBACK"));
    } else {
        m_db.handle().rollback();
    }
}

void Transaction::commit()
{
    if (m_db.dialect().isSqlite()) {
        m_db.run(QStringLiteral("COMMIT"));
    } else if (!m_db.handle().commit()) {
        throw MethodFailure(QStringLiteral("Erro no banco de dados ao confirmar a transação: %1")
                                .arg(m_db.handle().lastError().text()));
    }
    m_open = false;
}
