#pragma once

class Database;

// One write transaction on one worker's connection that several saves share: while it lives,
// this thread's saves run as savepoints inside it (Transaction), so every rule, trigger and
// constraint answers as in a save of its own, and each save sees the ones before. It is rolled
// back unless committed: a dry run never commits it; a confirmed journal commits it once every
// save went through. Until then no save is final, so the lists the server keeps ready between
// calls (KeptList) remember none of them.
class SharedTransaction
{
public:
    explicit SharedTransaction(Database &db);
    ~SharedTransaction(); // rolls back what was not committed
    SharedTransaction(const SharedTransaction &) = delete;
    SharedTransaction &operator=(const SharedTransaction &) = delete;

    void commit();

    static bool active(); // on the calling thread

    // For Transaction: inside a shared transaction a save is a savepoint of it. Each answers
    // false, doing nothing, outside one.
    static bool beginStep(Database &db);
    static bool endStep(Database &db);
    static bool undoStep(Database &db) noexcept;

private:
    Database &m_db;
    bool m_open = true;
};
