#include "Transaction.h"

#include "Database.h"
#include "SimulatedWrites.h"

Transaction::Transaction(Database &db) : m_db(db)
{
    // Through run(), so that a connection found dead here is dropped like anywhere else.
    if (!SimulatedWrites::beginStep(m_db))
        m_db.run(m_db.dialect().isSqlite() ? QStringLiteral("BEGIN IMMEDIATE")
                                           : QStringLiteral("BEGIN"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open && !SimulatedWrites::undoStep(m_db)) m_db.rollbackQuietly();
}

void Transaction::commit()
{
    if (!SimulatedWrites::endStep(m_db)) m_db.run(QStringLiteral("COMMIT"));
    m_open = false;
}
