#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop on SIGINT or SIGTERM, so that the workers close their database
// connections on the way out. The signal handler only writes to a pipe; the quit happens on
// the event loop.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
