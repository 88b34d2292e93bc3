#include "WorkerPool.h"

#include "Database.h"
#include "RequestHandler.h"
#include "StatementWatchdog.h"

#include <QThread>

WorkerPool::WorkerPool(int workers, const DatabaseConfig &config, const RequestHandler &handler)
    : m_config(config), m_handler(handler), m_watchdog(std::make_unique<StatementWatchdog>(workers))
{
    for (int i = 0; i < workers; ++i) {
        m_threads.emplace_back(QThread::create([this, i] { work(i); }));
        m_threads.back()->setObjectName(QStringLiteral("kzr-worker-%1").arg(i));
        m_threads.back()->start();
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    for (auto &thread : m_threads)
        thread->wait();
}

void WorkerPool::submit(QByteArray requestItem, std::shared_ptr<ConnectionSession> caller,
                        Done done)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_jobs.push_back({std::move(requestItem), std::move(caller), std::move(done)});
    }
    m_wake.notify_one();
}

std::chrono::milliseconds WorkerPool::requestDeadline() const
{
    // The database's own statement limit ends a slow statement first, with the connection
    // intact; this one is for a database that does not answer at all.
    constexpr int GraceMs = 2000;
    const int statementMs = m_config.deadlines().statementTimeoutMs;
    return std::chrono::milliseconds(statementMs > 0 ? statementMs + GraceMs : 24 * 3600 * 1000);
}

void WorkerPool::work(int index)
{
    Database db(m_config, QStringLiteral("kzr-worker-%1").arg(index));
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
            if (m_stopping) return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        QByteArray reply;
        {
            StatementWatchdog::Guard deadline(*m_watchdog, index, db, requestDeadline());
            reply = m_handler.handle(job.request, db, *job.caller);
        }
        job.done(std::move(reply));
    }
}
