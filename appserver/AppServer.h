#pragma once

#include "DatabaseConfig.h"
#include "MethodRegistry.h"
#include "RequestHandler.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <memory>

class ClientConnection;
class QTcpServer;
class WorkerPool;

// The listening server: accepts connections on its network thread and has their requests
// run by the worker pool. It keeps nothing between calls but the open sockets.
class AppServer : public QObject
{
    Q_OBJECT
public:
    AppServer(const DatabaseConfig &config, int workers, QObject *parent = nullptr);
    ~AppServer() override;

    // Throws Exception with a clear text when the address cannot be listened on.
    void listen(const QHostAddress &address, quint16 port);
    QHostAddress address() const;
    quint16 port() const;

private:
    void accept();
    void run(quint64 connectionId, const QByteArray &requestItem);
    void deliver(quint64 connectionId, const QByteArray &replyItem);

    MethodRegistry m_registry;
    RequestHandler m_handler;
    std::unique_ptr<QTcpServer> m_listener;
    QHash<quint64, ClientConnection *> m_connections;
    quint64 m_nextId = 1;
    std::unique_ptr<WorkerPool> m_pool; // declared last: stopped first
};
