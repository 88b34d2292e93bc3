#pragma once

#include <QObject>

class QSocketNotifier;

// On SIGINT or SIGTERM asks for a clean stop (requested(): the server drains its clients, then
// ends the event loop, so that the workers close their database connections on the way out); a
// second signal ends the event loop at once. The signal handler only writes to a pipe; the rest
// happens on the event loop.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void requested();

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_requests = 0;
};
