#include "Transaction.h"

#include "Database.h"
#include "SimulatedWrites.h"

Transaction::Transaction(Database &db) : m_db(db)
{
    // Inside a dry run a save is a savepoint of the dry run's transaction.
    if (!SimulatedWrites::beginStep(m_db))
        m_db.beginWrite();
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open && !SimulatedWrites::undoStep(m_db)) m_db.rollbackQuietly();
}

void Transaction::commit()
{
    if (!SimulatedWrites::endStep(m_db)) m_db.commit();
    m_open = false;
}
