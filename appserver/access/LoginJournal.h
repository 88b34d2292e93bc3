#pragma once

#include "LoginRecord.h"

#include <QDateTime>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class DatabaseConfig;
class QThread;

// Writes the record of each login (LoginRecord) on a thread and a database connection of its
// own, once the login has been decided: a login waits neither for the database's write lock
// (held by a save, on SQLite the whole file's) nor for the rows of a crowd of refusals, which
// go in one transaction. Records that cannot be written yet (the database does not answer)
// wait and are tried again a second later; at most MaxWaiting wait, the ones past that are
// dropped with a warning, so that a flood of logins while the database is away takes no more
// than that of the server's memory.
class LoginJournal
{
public:
    static constexpr qsizetype MaxWaiting = 100000;

    explicit LoginJournal(const DatabaseConfig &config);
    ~LoginJournal(); // writes what waits (one try), then stops
    LoginJournal(const LoginJournal &) = delete;
    LoginJournal &operator=(const LoginJournal &) = delete;

    void record(const QString &user, const QString &address, LoginRecord::Outcome outcome,
                UserOrigin origin, std::optional<Role> role);

private:
    struct Entry
    {
        QDateTime when;
        QString user;
        QString address;
        LoginRecord::Outcome outcome;
        UserOrigin origin;
        std::optional<Role> role;
    };

    void run(const DatabaseConfig &config);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_waiting;
    qint64 m_dropped = 0;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread; // last: joined first
};
