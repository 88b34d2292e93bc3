#include "Transaction.h"

#include "Database.h"

Transaction::Transaction(Database &db) : m_db(db)
{
    m_db.begin(m_db.dialect().isSqlite() ? QStringLiteral("BEGIN IMMEDIATE")
                                         : QStringLiteral("BEGIN"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) m_db.rollbackQuietly();
}

void Transaction::commit()
{
    m_db.commit();
    m_open = false;
}
