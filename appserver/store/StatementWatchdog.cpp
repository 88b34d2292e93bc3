#include "StatementWatchdog.h"

#include "Database.h"

StatementWatchdog::StatementWatchdog(int workers) : m_watches(size_t(workers))
{
    m_thread = std::thread([this] { watch(); });
}

StatementWatchdog::~StatementWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_one();
    m_thread.join();
}

void StatementWatchdog::arm(int worker, Database &db, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    {
        std::lock_guard lock(m_mutex);
        m_watches[size_t(worker)] = {&db, deadline};
        // Every request arms it: the watching thread is woken only when this deadline comes
        // before the moment it means to look again anyway, not once per request.
        if (deadline >= m_nextLook) return;
        m_nextLook = deadline;
    }
    m_changed.notify_one();
}

void StatementWatchdog::disarm(int worker)
{
    std::lock_guard lock(m_mutex);
    m_watches[size_t(worker)].db = nullptr;
}

void StatementWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        auto next = Clock::time_point::max();
        const auto now = Clock::now();
        for (Watch &w : m_watches) {
            if (!w.db) continue;
            if (w.deadline <= now) {
                w.db->interrupt(); // under the lock: disarm() cannot return meanwhile
                w.db = nullptr;
            } else {
                next = std::min(next, w.deadline);
            }
        }
        m_nextLook = next;
        if (next == Clock::time_point::max())
            m_changed.wait(lock);
        else
            m_changed.wait_until(lock, next);
    }
}
