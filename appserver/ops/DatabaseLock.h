#pragma once

#include <QString>

class DatabaseConfig;

// An advisory lock on a file beside a SQLite database (its name plus ".lock"): shared by
// every program that uses the database (the server for as long as it runs, an administration
// command while it works), exclusive for a restore, which replaces the database under them.
// The system lets go of it when the process ends, however it ends, so a server that crashed
// leaves nothing to clean up and a stale file blocks nothing. On PostgreSQL it does nothing.
class DatabaseLock
{
public:
    enum class Use { Shared, Restore };

    // Throws Exception with a Portuguese text when the other kind holds it; does not wait.
    DatabaseLock(const DatabaseConfig &config, Use use);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

private:
    int m_descriptor = -1;
};
