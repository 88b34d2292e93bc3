#include "SimulatedWrites.h"

#include "Database.h"

namespace {
thread_local bool simulating = false;
const QString Step = QStringLiteral("kzr_passo");
} // namespace

SimulatedWrites::SimulatedWrites(Database &db) : m_db(db)
{
    m_db.beginWrite();
    simulating = true;
}

SimulatedWrites::~SimulatedWrites()
{
    simulating = false;
    m_db.rollbackQuietly();
}

bool SimulatedWrites::active()
{
    return simulating;
}

bool SimulatedWrites::beginStep(Database &db)
{
    if (!simulating) return false;
    db.run(QStringLiteral("SAVEPOINT ") + Step);
    return true;
}

bool SimulatedWrites::endStep(Database &db)
{
    if (!simulating) return false;
    db.run(QStringLiteral("RELEASE SAVEPOINT ") + Step);
    return true;
}

bool SimulatedWrites::undoStep(Database &db) noexcept
{
    if (!simulating) return false;
    try {
        db.run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + Step);
        db.run(QStringLiteral("RELEASE SAVEPOINT ") + Step);
    } catch (...) {
        db.rollbackQuietly(); // the dry run's transaction ends with it; its end says so
    }
    return true;
}
