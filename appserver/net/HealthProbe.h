#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>

class WorkerPool;

// Asks the worker pool, once a second, to read the server's schema version: a probe that
// waits in the same queue as the requests and runs on a worker's own connection, under a short
// deadline. Answers for three listeners: whether the workers take work, i.e. nothing in the
// queue, probe or request, has waited long (systemd's watchdog: a server whose pool takes
// nothing is restarted); whether the database answers (the /health page: a server whose
// database is stalled is up, but of no use); and the pool itself, whose known outage an
// answer ends (DatabaseOutage). Started with the server, whatever listens. One probe waits at
// a time and one reads at a time, so that a stalled database holds at most one worker for
// them. Lives on the network thread.
class HealthProbe : public QObject
{
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Period{1000};
    static constexpr std::chrono::milliseconds Deadline{2000}; // for one probe's statement

    explicit HealthProbe(std::weak_ptr<WorkerPool> pool, QObject *parent = nullptr);

    void start();
    // Nothing has waited for a worker longer than this.
    bool workersTakeWork(std::chrono::milliseconds within) const;
    // Jobs the workers have finished so far: they make progress while it grows.
    quint64 jobsFinished() const;
    // A probe reached the database within the last Period + Deadline.
    bool databaseAnswers() const;
    // The server is stopping: whatever the database does, it is no longer of use to new clients.
    void stopping() { m_stopping = true; }
    bool isStopping() const { return m_stopping; }

private:
    struct State; // shared with the probe in flight, which may outlive this object

    void send();

    std::weak_ptr<WorkerPool> m_pool;
    std::shared_ptr<State> m_state;
    QTimer m_timer;
    std::atomic<bool> m_stopping{false};
};
