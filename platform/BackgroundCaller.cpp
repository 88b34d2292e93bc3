#include "BackgroundCaller.h"

#include "TNetConnection.h"

#include <QThread>

BackgroundCaller::BackgroundCaller(QObject *parent) : QObject(parent) {}

BackgroundCaller::~BackgroundCaller()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        m_waiting.reset();
        if (m_connection) m_connection->Interrupt();
    }
    m_wake.notify_all();
    if (m_worker) m_worker->wait();
}

quint64 BackgroundCaller::call(Request request)
{
    quint64 ticket = 0;
    {
        std::lock_guard lock(m_lock);
        ticket = ++m_newest;
        m_waiting.emplace(ticket, std::move(request));
    }
    m_wake.notify_all();
    if (!m_worker) {
        m_worker.reset(QThread::create([this] { work(); }));
        m_worker->setObjectName(QStringLiteral("BackgroundCaller"));
        m_worker->start();
    }
    return ticket;
}

void BackgroundCaller::cancel()
{
    std::lock_guard lock(m_lock);
    m_waiting.reset();
    ++m_newest; // no ticket handed out so far is wanted any longer
}

void BackgroundCaller::work()
{
    TNetConnection net;
    net.SetThrowException(false);
    net.SetReportsSessionEnd(false);
    {
        std::lock_guard lock(m_lock);
        m_connection = &net;
    }
    ServerAccess socketAccess;
    for (;;) {
        std::optional<std::pair<quint64, Request>> next;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_stopping || m_waiting; });
            if (m_stopping) break;
            next.swap(m_waiting);
            const quint64 ticket = next->first;
            QMetaObject::invokeMethod(
                this, [this, ticket] { emit started(ticket); }, Qt::QueuedConnection);
        }
        const quint64 ticket = next->first;
        const Request &r = next->second;
        // Another server, or another way of trusting it: a new socket.
        if (net.Host() != r.host || net.Port() != r.port || net.ServerName() != r.module ||
            socketAccess.tls != r.access.tls || socketAccess.caFile != r.access.caFile ||
            socketAccess.pinnedFingerprint != r.access.pinnedFingerprint)
            net.SetConnected(false);
        net.SetHost(r.host);
        net.SetPort(r.port);
        net.SetServerName(r.module);
        net.SetAccess(r.access);
        socketAccess = r.access;
        QList<RemoteArg> args;
        for (const Variant &a : r.args)
            args << RemoteArg(a);
        try {
            net.SetConnected(true);
            deliver(ticket, net.call(r.method, args), QString());
        } catch (const Exception &e) {
            deliver(ticket, std::nullopt, e.Message());
        } catch (const std::exception &e) {
            deliver(ticket, std::nullopt, QString::fromLocal8Bit(e.what()));
        }
    }
    std::lock_guard lock(m_lock);
    m_connection = nullptr;
}

void BackgroundCaller::deliver(quint64 ticket, std::optional<Variant> reply, const QString &message)
{
    std::lock_guard lock(m_lock);
    if (m_stopping || ticket != m_newest) return;
    // Posted while this object is sure to live (its destructor takes the lock first); an event
    // still queued when it goes is dropped with it.
    QMetaObject::invokeMethod(
        this,
        [this, ticket, reply = std::move(reply), message] {
            if (ticket != m_newest) return; // cancelled or replaced meanwhile
            if (reply)
                emit answered(ticket, *reply);
            else
                emit failed(ticket, message);
        },
        Qt::QueuedConnection);
}
