#pragma once

class Database;

// All or none: a write transaction that rolls back unless committed. On SQLite it takes the
// write lock at once (BEGIN IMMEDIATE), so that two saves queue instead of failing halfway.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Database &m_db;
    bool m_open = false;
};
