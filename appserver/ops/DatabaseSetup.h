#pragma once

#include <QStringList>

class DatabaseConfig;

// Makes the database ready before anything is served or administered: the server's tables
// where missing, at the current version (an older database upgraded, a SQLite one copied
// beside itself first; a newer one refused untouched: SchemaVersion); a SQLite file that did not
// exist yet is created readable by its owner only (0600, in a 0700 folder when the folder is new
// too), in WAL mode, with the demo application.
class DatabaseSetup
{
public:
    // Throws Exception with a clear text when the database cannot be prepared. Returns the
    // warnings worth telling the operator (a database file others may read, no users yet).
    // madeEmpty: the file was made just now by the lock (DatabaseLock::madeTheFile()), and is
    // taken for new like a missing one.
    static QStringList prepare(const DatabaseConfig &config, bool madeEmpty = false);
};
