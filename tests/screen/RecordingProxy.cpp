#include "RecordingProxy.h"

#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
QSemaphore *listening = nullptr;
}

RecordingProxy::RecordingProxy(QString serverHost, quint16 serverPort)
    : m_serverHost(std::move(serverHost)), m_serverPort(serverPort)
{
}

RecordingProxy::~RecordingProxy()
{
    m_stop = 1;
    wait();
}

void RecordingProxy::start()
{
    QSemaphore ready;
    listening = &ready;
    QThread::start();
    ready.acquire();
    listening = nullptr;
}

QList<wire::Request> RecordingProxy::requests(const QString &method) const
{
    QMutexLocker lock(&m_mutex);
    QList<wire::Request> found;
    for (const wire::Request &request : m_requests)
        if (request.method == method)
            found << request;
    return found;
}

void RecordingProxy::run()
{
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost);
    m_port = listener.serverPort();
    listening->release();

    while (!m_stop && !listener.hasPendingConnections())
        listener.waitForNewConnection(50);
    if (m_stop)
        return;
    std::unique_ptr<QTcpSocket> client(listener.nextPendingConnection());
    QTcpSocket upstream;
    upstream.connectToHost(m_serverHost, m_serverPort);
    if (!upstream.waitForConnected(5000))
        return;

    wire::FrameReader fromClient;
    while (!m_stop && client->state() == QAbstractSocket::ConnectedState) {
        if (!client->waitForReadyRead(50))
            continue;
        const QByteArray bytes = client->readAll();
        upstream.write(bytes);
        upstream.flush();
        fromClient.append(bytes);
        int replies = 0;
        while (std::optional<QByteArray> item = fromClient.next()) {
            QMutexLocker lock(&m_mutex);
            m_requests << wire::decodeRequest(*item);
            ++replies;
        }
        // Every whole request gets its whole reply before the next bytes are read.
        if (replies > 0 && m_replyDelayMs.loadRelaxed() > 0)
            QThread::msleep(m_replyDelayMs.loadRelaxed());
        wire::FrameReader fromServer;
        while (replies > 0 && upstream.waitForReadyRead(10000)) {
            const QByteArray reply = upstream.readAll();
            client->write(reply);
            client->flush();
            fromServer.append(reply);
            while (fromServer.next())
                --replies;
        }
    }
}
