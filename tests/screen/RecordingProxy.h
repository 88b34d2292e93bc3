#pragma once

#include "WireProtocol.h"

#include <QMutex>
#include <QThread>

// Stands between one client connection and the server and keeps every request that passes,
// arguments included. Runs in its own thread because the client waits for replies blocking.
class RecordingProxy : public QThread
{
public:
    RecordingProxy(QString serverHost, quint16 serverPort);
    ~RecordingProxy() override;

    quint16 port() const { return m_port; }      // valid once start() has returned
    void start();
    QList<wire::Request> requests(const QString &method) const;
    // Holds every reply this long before passing it on: a slow server, as the client sees it.
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }

protected:
    void run() override;

private:
    QString m_serverHost;
    quint16 m_serverPort;
    quint16 m_port = 0;
    bool m_listening = false;
    QAtomicInt m_stop = 0;
    QAtomicInt m_replyDelayMs = 0;
    mutable QMutex m_mutex;
    QList<wire::Request> m_requests;
};
