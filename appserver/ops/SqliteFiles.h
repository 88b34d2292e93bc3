#pragma once

#include <QString>
#include <QStringList>

// The files one SQLite database is made of: the database itself, the journals SQLite keeps
// beside it (-wal, -shm, -journal) and the lock file that earlier versions of this program kept
// (.lock). Known by what they are, not by the name a command gives: a name is compared by
// device and inode with each of them (links followed), and, for a file that does not exist
// yet, by the place it would be made at once its folder's links are resolved.
class SqliteFiles
{
public:
    explicit SqliteFiles(const QString &databasePath);

    // The database itself, through whatever link or hard link names it.
    bool isDatabase(const QString &path) const;
    // The database or one of the files beside it.
    bool isPartOf(const QString &path) const;

private:
    bool matches(const QString &path, const QStringList &names) const;

    QStringList m_database; // its names: as given, and with links resolved
    QStringList m_all;      // those and the companions' names
};
