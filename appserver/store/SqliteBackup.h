#pragma once

#include <QString>

// Whole-file copies of a SQLite database through SQLite's online backup, never by copying the
// file: a copy made while a server writes is one consistent state (the file and its WAL journal
// as of one moment), and a restore goes through SQLite's locks and journal, so that no stale
// journal is applied over it later.
class SqliteBackup
{
public:
    enum class Existing { Refuse, Replace };

    // Copies the database into FILE (written beside it under a name of its own first, then
    // renamed into place, so that FILE is never a half copy). A FILE that exists is replaced
    // only when asked to. Throws Exception with a Portuguese text.
    static void save(const QString &databasePath, const QString &file,
                     Existing existing = Existing::Refuse);
    // Replaces the database's content with that of a copy, once SQLite finds the copy sound.
    static void restore(const QString &file, const QString &databasePath);
};
