#pragma once

#include "ServerAccess.h"
#include "Variant.h"

#include <QList>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <memory>
#include <optional>

class QThread;

class TNetConnection;

// Remote calls whose answers nobody waits for: made on a thread of its own, one at a time, over
// a connection of its own. A request replaces the one still waiting to be sent; an answer is
// delivered on this object's thread, and only while its request is the newest one, so a stale
// answer never arrives. Destroying the object breaks off the call under way and returns at
// once; nothing is delivered afterwards.
//
// One call at a time on purpose: the server goes on with a call whose client has left, so
// starting a new one for each request would only pile up work there.
class BackgroundCaller : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QString host;
        int port = 0;
        ServerAccess access; // taken as given: the worker never asks the host
        QString module;
        QString method;
        QList<Variant> args;
    };

    explicit BackgroundCaller(QObject *parent = nullptr);
    ~BackgroundCaller() override;

    // The ticket that comes back with the answer.
    quint64 call(Request request);
    // Neither the waiting request nor the one under way will be answered.
    void cancel();

signals:
    // The worker took the request and is making the call (queued like the answers).
    void started(quint64 ticket);
    void answered(quint64 ticket, const Variant &reply);
    // The call could not be made (no server, dropped connection, a fault): why.
    void failed(quint64 ticket, const QString &message);

private:
    void work();
    // Queues the answer of `ticket` to this object's thread unless a newer request came.
    void deliver(quint64 ticket, std::optional<Variant> reply, const QString &message);

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<std::pair<quint64, Request>> m_waiting;
    quint64 m_newest = 0;                 // the only ticket still wanted
    TNetConnection *m_connection = nullptr; // the worker's, while it lives
    bool m_stopping = false;
    std::unique_ptr<QThread> m_worker; // a QThread: its sockets need an event dispatcher
};
