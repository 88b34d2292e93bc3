#include "Transaction.h"

#include "Database.h"

Transaction::Transaction(Database &db) : m_db(db)
{
    // Through run(), so that a connection found dead here is dropped like anywhere else.
    m_db.run(m_db.dialect().isSqlite() ? QStringLiteral("BEGIN IMMEDIATE")
                                       : QStringLiteral("BEGIN"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) m_db.rollbackQuietly();
}

void Transaction::commit()
{
    m_db.run(QStringLiteral("COMMIT"));
    m_open = false;
}
