#pragma once

#include "DatabaseConfig.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;
class RequestHandler;
class StatementWatchdog;
struct ConnectionSession;

// A fixed set of worker threads that run requests. Each worker opens its own database
// connection in its thread and closes it there when the pool stops: QSqlDatabase connections
// belong to the thread that made them. Requests wait in one queue, first come first served.
// A request that outlives its deadline has its connection cut off, so a database that stops
// answering holds no worker for longer than that.
class WorkerPool
{
public:
    using Done = std::function<void(QByteArray replyItem)>; // called on the worker thread

    WorkerPool(int workers, const DatabaseConfig &config, const RequestHandler &handler);
    ~WorkerPool(); // finishes the requests already taken, drops the rest, joins the workers

    // caller: the session of the request's connection, alive until done has been called.
    void submit(QByteArray requestItem, std::shared_ptr<ConnectionSession> caller, Done done);
    int size() const { return int(m_threads.size()); }

private:
    struct Job
    {
        QByteArray request;
        std::shared_ptr<ConnectionSession> caller;
        Done done;
    };
    void work(int index);
    std::chrono::milliseconds requestDeadline() const;

    DatabaseConfig m_config;
    const RequestHandler &m_handler;
    // The standard pair rather than Qt's: Qt's condition takes a second, inner lock on every
    // wake and wait, which costs each request more futex calls on the way to a worker.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::unique_ptr<StatementWatchdog> m_watchdog;
    std::vector<std::unique_ptr<QThread>> m_threads; // declared last: joined first
};
