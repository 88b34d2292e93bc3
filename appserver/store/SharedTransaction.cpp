#include "SharedTransaction.h"

#include "Database.h"

namespace {
thread_local bool shared = false;
const QString Step = QStringLiteral("kzr_passo");
} // namespace

SharedTransaction::SharedTransaction(Database &db) : m_db(db)
{
    m_db.beginWrite();
    shared = true;
}

SharedTransaction::~SharedTransaction()
{
    shared = false;
    if (m_open) m_db.rollbackQuietly();
}

void SharedTransaction::commit()
{
    shared = false;
    m_db.commit();
    m_open = false;
}

bool SharedTransaction::active()
{
    return shared;
}

bool SharedTransaction::beginStep(Database &db)
{
    if (!shared) return false;
    db.run(QStringLiteral("SAVEPOINT ") + Step);
    return true;
}

bool SharedTransaction::endStep(Database &db)
{
    if (!shared) return false;
    db.run(QStringLiteral("RELEASE SAVEPOINT ") + Step);
    return true;
}

bool SharedTransaction::undoStep(Database &db) noexcept
{
    if (!shared) return false;
    try {
        db.run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + Step);
        db.run(QStringLiteral("RELEASE SAVEPOINT ") + Step);
    } catch (...) {
        db.rollbackQuietly(); // the shared transaction ends with it; its end says so
    }
    return true;
}
