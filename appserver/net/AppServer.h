#pragma once

#include "ConnectionLimits.h"
#include "ConnectionSession.h"
#include "DatabaseConfig.h"
#include "Gatekeeper.h"
#include "MethodRegistry.h"
#include "RequestHandler.h"
#include "ServerMetrics.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

class ClientConnection;
class DirectReply;
class HealthProbe;
class InputBudget;
class OutputBudget;
class QSslConfiguration;
class QTcpServer;
class QTcpSocket;
class WorkerPool;

// The listening server: accepts connections on its network thread and has their requests
// run by the worker pool. It keeps nothing between calls but the open sockets and the lists its
// modules keep ready (checked against the database at every call). Connections are
// known by id only outside the network thread: a reply for a connection closed meanwhile is
// dropped, and a connection is deleted only after it has said it is closed.
class AppServer : public QObject
{
    Q_OBJECT
public:
    // Clients refused for the connection limit that may still be reading their fault; past
    // this many, accepting waits for them to go.
    static constexpr int MaxRefusalsInFlight = 64;

    // sessionIdle: how long a session may go unused before it ends.
    AppServer(const DatabaseConfig &config, int workers, const ConnectionLimits &limits = {},
              std::chrono::seconds sessionIdle = std::chrono::seconds(1800),
              QObject *parent = nullptr);
    ~AppServer() override;

    // From now on connections are accepted only over TLS with this configuration; before listen.
    void useTls(const QSslConfiguration &configuration);
    // Logins of names the server does not know go to this directory; before listen.
    void useDirectory(const DirectorySettings &settings) { m_gatekeeper.useDirectory(settings); }
    // Throws Exception with a clear text when the address cannot be listened on.
    void listen(const QHostAddress &address, quint16 port);
    QHostAddress address() const;
    quint16 port() const;
    int connections() const { return int(m_connections.size()); }

    // Stopping without dropping anyone: no new connection is taken, the calls under way are
    // answered (waited for up to the statement deadline and a little more), every client is told
    // that the server is stopping, so that it moves to another at once, and drained() follows
    // once every connection has closed.
    void drain();
    bool draining() const { return m_draining.load(std::memory_order_relaxed); }

signals:
    void drained();

public:
    // The counts of requests, failures, sessions, connections and the queue, in Prometheus's
    // text format; on the network thread.
    QByteArray metricsText();
    // Runs the work of another door into this server (the HTTP API) on a worker, in line with
    // the clients' requests and under a request's deadline, with the handler they go through.
    void runOnWorker(std::function<void(Database &, const RequestHandler &)> work);
    // Whether the workers take work and the database answers; started by whoever asks.
    HealthProbe &health() { return *m_health; }

private:
    class ReplyRoute;

    void accept();
    void refuse(QTcpSocket *socket, const QString &text);
    void backOffAccepting(); // out of descriptors: try again a little later
    void forget(quint64 connectionId);
    void run(quint64 connectionId, const QByteArray &requestItem,
             const std::shared_ptr<DirectReply> &direct);
    void deliver(quint64 connectionId, const QByteArray &replyFrame);

    MethodRegistry m_registry;
    ServerMetrics m_metrics;
    Gatekeeper m_gatekeeper;
    RequestHandler m_handler;
    ConnectionLimits m_limits;
    std::unique_ptr<QTcpServer> m_listener;
    std::unique_ptr<InputBudget> m_budget; // outlives the connections that hold shares of it
    std::unique_ptr<OutputBudget> m_unread; // the same
    QHash<quint64, ClientConnection *> m_connections;             // children of this server
    QHash<quint64, std::shared_ptr<ConnectionSession>> m_callers; // who is on each connection
    quint64 m_nextId = 1;
    int m_acceptBackoffMs = 0;
    int m_refusalsInFlight = 0;
    std::atomic<bool> m_draining{false};
    int m_drainLimitMs = 0;
    std::unique_ptr<HealthProbe> m_health;
    std::shared_ptr<WorkerPool> m_pool; // declared last: stopped first; connections hold it weakly
};
