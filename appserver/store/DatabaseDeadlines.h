#pragma once

// How long the server waits for its database. A limit of 0 means none.
struct DatabaseDeadlines
{
    int connectTimeoutMs = 10'000;
    int statementTimeoutMs = 15'000; // per statement; a SQLite writer waits this long for the lock
};
