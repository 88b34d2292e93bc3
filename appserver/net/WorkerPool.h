#pragma once

#include "DatabaseConfig.h"
#include "DatabaseOutage.h"

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

class Database;
class QThread;
class RequestHandler;
class StatementWatchdog;
struct ConnectionSession;

// A fixed set of worker threads that run requests. Each worker opens its own database
// connection in its thread and closes it there when the pool stops: QSqlDatabase connections
// belong to the thread that made them. Requests wait in one queue, first come first served.
// A request's deadline runs from the moment it is queued: one that outlives it has its
// connection cut off, so a database that stops answering holds no worker for longer than
// that, and one still waiting for a worker at its deadline is answered then, by the pool's
// keeper thread, without running. Once a request has found the database silent, every request
// is answered at once with the deadline's text until the health probe reaches the database
// again (DatabaseOutage).
//
// Idle workers also wait for the sockets lent to them (watch()): the worker that finds one
// readable reads the request itself, so that the request reaches a worker without a thread
// in between.
class WorkerPool
{
public:
    using Done = std::function<void(QByteArray replyItem)>; // called on the worker thread

    struct Job
    {
        QByteArray request;
        std::shared_ptr<ConnectionSession> caller;
        Done done;
        std::function<void(Database &)> task; // instead of a request: see probe()
        std::chrono::milliseconds taskDeadline{0};
        std::chrono::steady_clock::time_point queuedAt{};
    };

    // A socket whose next request a worker reads when it becomes readable.
    class Watched
    {
    public:
        virtual ~Watched() = default;
        // On the worker that saw it readable: the request to run, if one came whole.
        virtual std::optional<Job> readable() = 0;
    };

    WorkerPool(int workers, const DatabaseConfig &config, const RequestHandler &handler);
    ~WorkerPool(); // finishes the requests already taken, drops the rest, joins the workers

    // caller: the session of the request's connection, alive until done has been called.
    void submit(QByteArray requestItem, std::shared_ptr<ConnectionSession> caller, Done done);
    int size() const { return int(m_threads.size()); }
    // Runs a task on a worker's connection, behind the requests already waiting, held to its own
    // deadline: how the server checks that its workers take work and its database answers. The
    // task catches what it throws.
    void probe(std::function<void(Database &)> task, std::chrono::milliseconds deadline);
    qint64 queued(); // requests waiting for a worker
    // How long a request may hold a worker before its database connection is cut off.
    std::chrono::milliseconds requestDeadline() const;
    // How long the job first in line has waited for a worker; zero when none waits.
    std::chrono::steady_clock::duration longestWait();
    // Shared with the health probe, which ends it.
    const std::shared_ptr<DatabaseOutage> &outage() const { return m_outage; }
    // Jobs the workers have finished so far, requests and probes: whether they make progress.
    quint64 finished() const { return m_finished.load(std::memory_order_relaxed); }

    // Once: the descriptor is readable, then a worker calls watched->readable(); until then it
    // is the pool's. The key (from 1) names it in unwatch(). False when it cannot be watched.
    bool watch(int descriptor, quint64 key, std::shared_ptr<Watched> watched);
    // Takes it back unless a worker has already taken it; true when it was still waiting.
    bool unwatch(int descriptor, quint64 key);

private:
    void enqueue(Job job);
    void work(int index);
    void keepDeadlines(); // the keeper thread
    void databaseSilent();
    std::optional<Job> next(); // blocks; nullopt when stopping

    DatabaseConfig m_config;
    const RequestHandler &m_handler;
    std::mutex m_mutex;
    std::deque<Job> m_jobs;
    std::unordered_map<quint64, std::shared_ptr<Watched>> m_watched;
    bool m_stopping = false;
    int m_poll = -1;   // what the idle workers wait on: the queue's counter and lent sockets
    int m_queued = -1; // counts the jobs queued
    std::atomic<quint64> m_finished{0};
    QByteArray m_unansweredFrame; // the reply to a request answered without running
    // Made silent under m_mutex.
    std::shared_ptr<DatabaseOutage> m_outage = std::make_shared<DatabaseOutage>();
    std::condition_variable m_keeperWake;
    bool m_keeperSleeps = false; // until woken: nothing in the queue is due
    std::thread m_keeper;
    std::unique_ptr<StatementWatchdog> m_watchdog;
    std::vector<std::unique_ptr<QThread>> m_threads; // declared last: joined first
};
