#pragma once

#include <QStringList>

class DatabaseConfig;

// kzr-appserver backup FILE and kzr-appserver restore FILE. On SQLite a backup is taken with
// SQLite's online backup while the server serves, and a restore replaces the database only
// while no server or other command uses it (DatabaseLock). PostgreSQL has its own tools for
// both; the commands name them and the server's tables.
class BackupCommand
{
public:
    static bool handles(const QString &command); // "backup" or "restore"
    // positional: the command and its file; overwrite: a backup may replace a file that exists
    // (never the database or its journals). Throws Exception with a Portuguese text.
    static void run(const QStringList &positional, const DatabaseConfig &config, bool overwrite);
};
