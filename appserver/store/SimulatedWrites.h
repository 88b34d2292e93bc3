#pragma once

class Database;

// A dry run on one worker's connection: one transaction that is always rolled back. While it
// lives, this thread's saves run as savepoints inside it (Transaction), so every rule, trigger
// and constraint answers as in a real save, and nothing of them is kept: not in the database,
// and not in the lists the server keeps ready between calls (KeptList).
class SimulatedWrites
{
public:
    explicit SimulatedWrites(Database &db);
    ~SimulatedWrites(); // rolls everything back
    SimulatedWrites(const SimulatedWrites &) = delete;
    SimulatedWrites &operator=(const SimulatedWrites &) = delete;

    static bool active(); // on the calling thread

    // For Transaction: inside a dry run a save is a savepoint of it. Each answers false, doing
    // nothing, outside a dry run.
    static bool beginStep(Database &db);
    static bool endStep(Database &db);
    static bool undoStep(Database &db) noexcept;

private:
    Database &m_db;
};
