#pragma once

#include "PendingWrites.h"

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
    PendingWrites::Announcement m_announced; // before BEGIN: a long reader gives way at once
    Database &m_db;
    bool m_open = false;
};
