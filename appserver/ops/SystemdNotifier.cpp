#include "SystemdNotifier.h"

#include "HealthProbe.h"

#include <systemd/sd-daemon.h>
#include <utility>

namespace {

constexpr std::chrono::milliseconds StatusPeriod{5000}; // without a watchdog

void notify(const QString &state)
{
    sd_notify(0, state.toUtf8().constData());
}

} // namespace

SystemdNotifier::SystemdNotifier(const HealthProbe &health, std::function<QString()> status,
                                 QObject *parent)
    : QObject(parent), m_health(health), m_status(std::move(status)),
      m_enabled(!qEnvironmentVariableIsEmpty("NOTIFY_SOCKET"))
{
    uint64_t usec = 0;
    if (m_enabled && sd_watchdog_enabled(0, &usec) > 0)
        m_watchdog =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::microseconds(usec));
    m_timer.setInterval(watchdogEnabled() ? m_watchdog / 2 : StatusPeriod);
    connect(&m_timer, &QTimer::timeout, this, &SystemdNotifier::tick);
}

void SystemdNotifier::ready()
{
    if (!m_enabled) return;
    m_lastStatus = m_status();
    notify(QStringLiteral("READY=1\nSTATUS=") + m_lastStatus);
    m_timer.start();
}

void SystemdNotifier::stopping()
{
    m_timer.stop();
    if (m_enabled) notify(QStringLiteral("STOPPING=1\nSTATUS=encerrando"));
}

void SystemdNotifier::tick()
{
    QString state;
    // Alive while the workers finish jobs, however long the queue behind them; silent once
    // they have finished nothing for half the period while a job has waited that long: by the
    // time systemd gives up, the pool has done nothing for about the whole period.
    const quint64 finished = m_health.jobsFinished();
    const bool progress = std::exchange(m_lastFinished, finished) != finished;
    if (watchdogEnabled() && (progress || m_health.workersTakeWork(m_watchdog / 2)))
        state = QStringLiteral("WATCHDOG=1");
    const QString status = m_status();
    if (status != m_lastStatus) {
        m_lastStatus = status;
        state += (state.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("STATUS=") +
                 status;
    }
    if (!state.isEmpty()) notify(state);
}
