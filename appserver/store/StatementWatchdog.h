#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class Database;

// Holds every worker to the deadline of the request in hand. The database's own limits
// (PostgreSQL's statement_timeout, SQLite's busy timeout) end a slow statement cleanly; this
// is for a database that does not answer at all: past the deadline it cuts the worker's
// connection off, so that the worker answers and goes on to the next request.
class StatementWatchdog
{
public:
    using Clock = std::chrono::steady_clock;

    explicit StatementWatchdog(int workers);
    ~StatementWatchdog();

    void arm(int worker, Database &db, std::chrono::milliseconds limit);
    // After disarm() returns, the watchdog no longer touches that worker's connection.
    void disarm(int worker);

    // Arms for the life of one request.
    class Guard
    {
    public:
        Guard(StatementWatchdog &watchdog, int worker, Database &db,
              std::chrono::milliseconds limit)
            : m_watchdog(watchdog), m_worker(worker)
        {
            m_watchdog.arm(worker, db, limit);
        }
        ~Guard() { m_watchdog.disarm(m_worker); }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        StatementWatchdog &m_watchdog;
        int m_worker;
    };

private:
    struct Watch
    {
        Database *db = nullptr;
        Clock::time_point deadline;
    };
    void watch();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Watch> m_watches;
    Clock::time_point m_nextLook = Clock::time_point::min(); // when the watcher looks again
    bool m_stopping = false;
    std::thread m_thread;
};
