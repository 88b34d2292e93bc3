#include "WorkerPool.h"

#include "Database.h"
#include "RequestHandler.h"
#include "StatementWatchdog.h"

#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr quint64 QueueKey = 0; // the queue's counter in the poll set; sockets count from 1

} // namespace

WorkerPool::WorkerPool(int workers, const DatabaseConfig &config, const RequestHandler &handler)
    : m_config(config), m_handler(handler), m_watchdog(std::make_unique<StatementWatchdog>(workers))
{
    // One count per job queued, taken back one at a time, so that as many workers wake as
    // there are jobs; the standard condition cannot wait on sockets as well.
    m_poll = ::epoll_create1(EPOLL_CLOEXEC);
    m_queued = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    epoll_event queue{};
    queue.events = EPOLLIN;
    queue.data.u64 = QueueKey;
    if (m_poll < 0 || m_queued < 0 || ::epoll_ctl(m_poll, EPOLL_CTL_ADD, m_queued, &queue) != 0)
        qFatal("kzr-appserver: the workers' queue could not be set up (%s)", strerror(errno));
    m_unansweredFrame = RequestHandler::failureFrame(Database::deadlineText(config.deadlines()));
    m_keeper = std::thread([this] { keepDeadlines(); });
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
    m_keeperWake.notify_all();
    m_keeper.join();
    const quint64 everyone = quint64(m_threads.size()) + 1;
    [[maybe_unused]] const ssize_t written = ::write(m_queued, &everyone, sizeof everyone);
    for (auto &thread : m_threads)
        thread->wait();
    m_threads.clear();
    m_watched.clear();
    ::close(m_queued);
    ::close(m_poll);
}

void WorkerPool::submit(QByteArray requestItem, std::shared_ptr<ConnectionSession> caller,
                        Done done)
{
    enqueue({std::move(requestItem), std::move(caller), std::move(done), {}, {}, {}});
}

void WorkerPool::probe(std::function<void(Database &)> task, std::chrono::milliseconds deadline)
{
    enqueue({{}, nullptr, nullptr, std::move(task), deadline, {}});
}

qint64 WorkerPool::queued()
{
    std::lock_guard lock(m_mutex);
    return qint64(m_jobs.size());
}

std::chrono::steady_clock::duration WorkerPool::longestWait()
{
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    return m_jobs.empty() ? std::chrono::steady_clock::duration::zero()
                          : now - m_jobs.front().queuedAt;
}

void WorkerPool::enqueue(Job job)
{
    job.queuedAt = std::chrono::steady_clock::now();
    bool wakeKeeper = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        wakeKeeper = !job.task && (m_keeperSleeps || m_outage->known());
        m_jobs.push_back(std::move(job));
    }
    if (wakeKeeper) m_keeperWake.notify_one();
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_queued, &one, sizeof one);
}

bool WorkerPool::watch(int descriptor, quint64 key, std::shared_ptr<Watched> watched)
{
    // Known before it is armed, so that the worker that sees it readable finds it. The system
    // call stays outside the lock: a worker just woken waits for the lock, not for this one.
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return false;
        m_watched[key] = std::move(watched);
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = key;
    // Registered once per socket; after each event only armed again.
    if (::epoll_ctl(m_poll, EPOLL_CTL_MOD, descriptor, &event) == 0 ||
        (errno == ENOENT && ::epoll_ctl(m_poll, EPOLL_CTL_ADD, descriptor, &event) == 0))
        return true;
    std::lock_guard lock(m_mutex);
    m_watched.erase(key);
    return false;
}

bool WorkerPool::unwatch(int descriptor, quint64 key)
{
    bool waiting = false;
    {
        std::lock_guard lock(m_mutex);
        waiting = m_watched.erase(key) > 0;
    }
    // A worker woken by it meanwhile finds nothing under its key and goes back to waiting.
    ::epoll_ctl(m_poll, EPOLL_CTL_DEL, descriptor, nullptr);
    return waiting;
}

std::chrono::milliseconds WorkerPool::requestDeadline() const
{
    // The database's own statement limit ends a slow statement first, with the connection
    // intact; this one is for a database that does not answer at all.
    constexpr int GraceMs = 2000;
    const int statementMs = m_config.deadlines().statementTimeoutMs;
    return std::chrono::milliseconds(statementMs > 0 ? statementMs + GraceMs : 24 * 3600 * 1000);
}

std::optional<WorkerPool::Job> WorkerPool::next()
{
    for (;;) {
        epoll_event event{};
        const int ready = ::epoll_wait(m_poll, &event, 1, -1);
        if (ready < 0 && errno != EINTR)
            qFatal("kzr-appserver: epoll_wait failed (%s)", strerror(errno));
        if (ready <= 0) continue;
        if (event.data.u64 == QueueKey) {
            quint64 count = 0;
            // Another worker may have taken this one already.
            if (::read(m_queued, &count, sizeof count) != sizeof count) continue;
            std::lock_guard lock(m_mutex);
            if (m_stopping) return std::nullopt;
            if (m_jobs.empty()) continue;
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            return job;
        }
        std::shared_ptr<Watched> watched;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) return std::nullopt;
            auto found = m_watched.find(event.data.u64);
            if (found == m_watched.end()) continue; // taken back meanwhile
            watched = std::move(found->second);
            m_watched.erase(found);
        }
        if (std::optional<Job> job = watched->readable()) {
            job->queuedAt = std::chrono::steady_clock::now();
            return job;
        }
    }
}

void WorkerPool::keepDeadlines()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        const std::chrono::milliseconds limit = requestDeadline();
        std::vector<Done> unanswered;
        std::optional<Clock::time_point> wake;
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            if (it->task) {
                ++it;
                continue;
            }
            const Clock::time_point due = it->queuedAt + limit;
            if (due > now && !m_outage->known()) {
                wake = due; // first come first served: the rest are due later
                break;
            }
            unanswered.push_back(std::move(it->done));
            it = m_jobs.erase(it);
        }
        if (unanswered.empty()) {
            m_keeperSleeps = !wake;
            if (wake)
                m_keeperWake.wait_until(lock, *wake);
            else
                m_keeperWake.wait(lock);
            m_keeperSleeps = false;
            continue;
        }
        lock.unlock();
        for (Done &done : unanswered)
            done(m_unansweredFrame);
        lock.lock();
    }
}

void WorkerPool::databaseSilent()
{
    {
        std::lock_guard lock(m_mutex);
        m_outage->silent();
    }
    m_keeperWake.notify_one();
}

void WorkerPool::work(int index)
{
    Database db(m_config, QStringLiteral("kzr-worker-%1").arg(index));
    while (std::optional<Job> job = next()) {
        db.startRequest();
        if (job->task) {
            StatementWatchdog::Guard deadline(*m_watchdog, index, db, job->taskDeadline);
            job->task(db);
            m_finished.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            requestDeadline() - (std::chrono::steady_clock::now() - job->queuedAt));
        QByteArray reply = m_unansweredFrame;
        if (left.count() > 0 && !m_outage->known()) {
            {
                StatementWatchdog::Guard deadline(*m_watchdog, index, db, left);
                reply = m_handler.handle(job->request, db, *job->caller);
            }
            // With the whole statement timeout to answer in, a cut-off is silence, not a late
            // start.
            if (db.leftUnanswered() && left.count() >= m_config.deadlines().statementTimeoutMs)
                databaseSilent();
        }
        job->done(std::move(reply));
        m_finished.fetch_add(1, std::memory_order_relaxed);
    }
}
