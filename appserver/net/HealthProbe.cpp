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
    std::atomic<bool> inFlight{false};
    std::atomic<qint64> sentAt{0};
    std::atomic<qint64> takenAt{0}; // 0 while the probe in flight waits in the queue
    std::atomic<qint64> answeredAt{0};
};

HealthProbe::HealthProbe(std::weak_ptr<WorkerPool> pool, QObject *parent)
    : QObject(parent), m_pool(std::move(pool)), m_state(std::make_shared<State>())
{
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
    // One at a time: a stalled database holds one worker, not one per second.
    if (!pool || m_state->inFlight.exchange(true)) return;
    m_state->takenAt = 0;
    m_state->sentAt = ticks(Clock::now());
    pool->probe(
        [state = m_state](Database &db) {
            state->takenAt = ticks(Clock::now());
            try {
                SchemaVersion::read(db);
                state->answeredAt = ticks(Clock::now());
            } catch (...) {
                // Not answered: databaseAnswers() sees the age of the last answer.
            }
            state->inFlight = false;
        },
        Deadline);
}

bool HealthProbe::workersTakeWork(std::chrono::milliseconds within) const
{
    if (!m_state->inFlight || m_state->takenAt != 0) return true;
    return Clock::now() - Clock::time_point(Clock::duration(m_state->sentAt.load())) <= within;
}

bool HealthProbe::databaseAnswers() const
{
    const qint64 answered = m_state->answeredAt;
    return answered != 0 &&
           Clock::now() - Clock::time_point(Clock::duration(answered)) <= Period + Deadline;
}
