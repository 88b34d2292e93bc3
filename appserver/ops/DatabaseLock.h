#pragma once

#include <QString>

class DatabaseConfig;

// An advisory lock (flock) on the SQLite database file itself: shared by every program that
// uses the database (the server for as long as it runs, an administration command while it
// works), exclusive for a restore, which replaces the database under them. Being on the file,
// not on a name, it is met through any symbolic or hard link, and there is no side file to
// delete. flock locks are apart from the fcntl locks SQLite takes on the same file, so it does
// not stand in SQLite's way. The system lets go of it when the process ends, however it ends.
// A missing database is made (empty, owner-only) so that there is a file to lock; the first
// start takes it for new (madeTheFile()).
//
// Its descriptor is closed only with the object, which must therefore outlive every SQLite
// connection of the process to that file: closing any descriptor of a file drops all of the
// process's fcntl locks on it, SQLite's included. On PostgreSQL it does nothing.
class DatabaseLock
{
public:
    enum class Use { Shared, Restore };

    // Throws Exception with a Portuguese text when the other kind holds it; does not wait.
    DatabaseLock(const DatabaseConfig &config, Use use);
    ~DatabaseLock();
    // The database did not exist: the lock made it, empty.
    bool madeTheFile() const { return m_made; }
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

private:
    int m_descriptor = -1;
    bool m_made = false;
};
