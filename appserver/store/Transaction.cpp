#include "Transaction.h"

#include "Database.h"
#include "SharedTransaction.h"

Transaction::Transaction(Database &db) : m_db(db)
{
    // Inside a shared transaction (a dry run, a confirmed journal) a save is a savepoint of it.
    if (!SharedTransaction::beginStep(m_db))
        m_db.beginWrite();
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open && !SharedTransaction::undoStep(m_db)) m_db.rollbackQuietly();
}

void Transaction::commit()
{
    if (!SharedTransaction::endStep(m_db)) m_db.commit();
    m_open = false;
}
