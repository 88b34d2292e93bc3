#include "AppServer.h"

#include "ClientConnection.h"
#include "DimensaoModule.h"
#include "EstruturaModule.h"
#include "Exceptions.h"
#include "WorkerPool.h"

#include <QTcpServer>
#include <QTcpSocket>

AppServer::AppServer(const DatabaseConfig &config, int workers, QObject *parent)
    : QObject(parent), m_handler(m_registry), m_listener(std::make_unique<QTcpServer>())
{
    DimensaoModule::registerIn(m_registry);
    EstruturaModule::registerIn(m_registry);
    m_pool = std::make_unique<WorkerPool>(workers, config, m_handler);
    connect(m_listener.get(), &QTcpServer::newConnection, this, &AppServer::accept);
}

AppServer::~AppServer()
{
    m_pool.reset(); // no worker may post a reply to a server that is going away
}

void AppServer::listen(const QHostAddress &address, quint16 port)
{
    m_listener->setMaxPendingConnections(128);
    if (!m_listener->listen(address, port))
        throw Exception(QStringLiteral("Não foi possível escutar em %1:%2: %3")
                            .arg(address.toString())
                            .arg(port)
                            .arg(m_listener->errorString()));
}

QHostAddress AppServer::address() const
{
    return m_listener->serverAddress();
}

quint16 AppServer::port() const
{
    return m_listener->serverPort();
}

void AppServer::accept()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const quint64 id = m_nextId++;
        auto *connection = new ClientConnection(id, socket, this);
        m_connections.insert(id, connection);
        connect(connection, &ClientConnection::requestReady, this, &AppServer::run);
        connect(connection, &ClientConnection::closed, this, [this](quint64 closedId) {
            if (ClientConnection *gone = m_connections.take(closedId)) gone->deleteLater();
        });
    }
}

void AppServer::run(quint64 connectionId, const QByteArray &requestItem)
{
    m_pool->submit(requestItem, [this, connectionId](QByteArray reply) {
        // Back to the network thread; a connection closed meanwhile is simply not found.
        QMetaObject::invokeMethod(
            this, [this, connectionId, reply] { deliver(connectionId, reply); },
            Qt::QueuedConnection);
    });
}

void AppServer::deliver(quint64 connectionId, const QByteArray &replyItem)
{
    if (ClientConnection *connection = m_connections.value(connectionId))
        connection->deliver(replyItem);
}
