#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

class HealthProbe;

// What systemd hears from the server when it runs as a Type=notify unit (NOTIFY_SOCKET set):
// READY=1 once it listens, a STATUS= line now and then, STOPPING=1 on the way out, and, when
// the unit has WatchdogSec=, WATCHDOG=1 at half that period for as long as the workers make
// progress (they finished a job since the last time) or nothing waits long for them. A server
// whose pool has done nothing for the period while work waits then falls silent, and systemd
// restarts it; a long queue that moves is overload, not a hang. Without NOTIFY_SOCKET every call does nothing.
class SystemdNotifier : public QObject
{
    Q_OBJECT
public:
    // status: the STATUS= text of the moment.
    SystemdNotifier(const HealthProbe &health, std::function<QString()> status,
                    QObject *parent = nullptr);

    bool enabled() const { return m_enabled; }
    bool watchdogEnabled() const { return m_watchdog.count() > 0; }
    void ready();
    void stopping();

private:
    void tick();

    const HealthProbe &m_health;
    std::function<QString()> m_status;
    bool m_enabled = false;
    std::chrono::milliseconds m_watchdog{0};
    QString m_lastStatus;
    quint64 m_lastFinished = 0; // the pool's finished jobs at the last tick
    QTimer m_timer;
};
