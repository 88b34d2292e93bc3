#include "HealthProbe.h"

#include "Database.h"
#include "SchemaVersion.h"
#include "WorkerPool.h"

namespace {

qint64 ticks(HealthProbe::Clock::time_point t)
{
    return t.time_since_epoch().count();
}

} // namespace

struct HealthProbe::State
{
    std::atomic<bool> waiting{false}; // a probe is in the queue
    std::atomic<bool> reading{false}; // a probe is at the database
    std::atomic<qint64> answeredAt{0};
    std::shared_ptr<DatabaseOutage> outage; // ended by an answer
};

HealthProbe::HealthProbe(std::weak_ptr<WorkerPool> pool, QObject *parent)
    : QObject(parent), m_pool(std::move(pool)), m_state(std::make_shared<State>())
{
    if (const std::shared_ptr<WorkerPool> owner = m_pool.lock()) m_state->outage = owner->outage();
    m_timer.setInterval(Period);
    connect(&m_timer, &QTimer::timeout, this, &HealthProbe::send);
}

void HealthProbe::start()
{
    if (m_timer.isActive()) return;
    send();
    m_timer.start();
}

void HealthProbe::send()
{
    const std::shared_ptr<WorkerPool> pool = m_pool.lock();
    if (!pool || m_state->waiting.exchange(true)) return;
    pool->probe(
        [state = m_state](Database &db) {
            state->waiting = false;
            // Taken, which is what the watchdog asks; the database is asked by one at a time.
            if (state->reading.exchange(true)) return;
            try {
                SchemaVersion::read(db);
                state->answeredAt = ticks(Clock::now());
                if (state->outage) state->outage->answered();
            } catch (...) {
                // Not answered: databaseAnswers() sees the age of the last answer.
            }
            state->reading = false;
        },
        Deadline);
}

bool HealthProbe::workersTakeWork(std::chrono::milliseconds within) const
{
    const std::shared_ptr<WorkerPool> pool = m_pool.lock();
    return pool && pool->longestWait() <= within;
}

quint64 HealthProbe::jobsFinished() const
{
    const std::shared_ptr<WorkerPool> pool = m_pool.lock();
    return pool ? pool->finished() : 0;
}

bool HealthProbe::databaseAnswers() const
{
    const qint64 answered = m_state->answeredAt;
    return answered != 0 &&
           Clock::now() - Clock::time_point(Clock::duration(answered)) <= Period + Deadline;
}
