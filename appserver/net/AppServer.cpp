#include "AppServer.h"

#include "AnaliseModule.h"
#include "ClientConnection.h"
#include "Database.h"
#include "DimensaoModule.h"
#include "EstruturaModule.h"
#include "Exceptions.h"
#include "HealthProbe.h"
#include "InputBudget.h"
#include "OutputBudget.h"
#include "WorkerPool.h"

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <utility>

namespace {

constexpr int FirstAcceptBackoffMs = 20;
constexpr int LastAcceptBackoffMs = 1000;
constexpr int RefusedSocketGraceMs = 2000; // for a refused client to read its fault
// The most a worker reads of a lent socket at once; a request that does not fit goes back.
constexpr qsizetype WorkerReadBytes = 64 * 1024;
// Past the statement deadline, what a stopping server still gives its calls under way: the
// watchdog's margin and the replies' way out.
constexpr int DrainMarginMs = 3000;

MethodRegistry modules(const DatabaseConfig &config)
{
    MethodRegistry registry;
    DimensaoModule::registerIn(registry);
    EstruturaModule::registerIn(registry);
    AnaliseModule::registerIn(registry, config.deadlines());
    return registry;
}

} // namespace

// How the reply to a request goes back to its client, and, while the connection's reading is
// lent to the workers, how its next request is read. Lives on the worker threads: it tells
// the network thread only what that thread has to do itself.
class AppServer::ReplyRoute : public WorkerPool::Watched,
                              public std::enable_shared_from_this<ReplyRoute>
{
public:
    ReplyRoute(AppServer &server, quint64 connectionId, std::shared_ptr<ConnectionSession> caller,
               std::shared_ptr<DirectReply> direct)
        : m_server(server), m_connectionId(connectionId), m_caller(std::move(caller)),
          m_direct(std::move(direct)), m_pool(server.m_pool)
    {
    }
    ~ReplyRoute() override { m_server.m_budget->giveBack(m_share); }

    void replied(const QByteArray &whole);
    std::optional<WorkerPool::Job> readable() override;

private:
    bool lent() const;
    void watchAgain();
    std::optional<QByteArray> wholeRequest(const QByteArray &bytes);
    void handBack(const QByteArray &bytesRead);
    void giveBackShares();

    AppServer &m_server;
    quint64 m_connectionId;
    std::shared_ptr<ConnectionSession> m_caller;
    std::shared_ptr<DirectReply> m_direct;
    std::weak_ptr<WorkerPool> m_pool;
    qint64 m_share = 0; // of the input budget, for a request read here
};

void AppServer::ReplyRoute::replied(const QByteArray &whole)
{
    // A refused login is answered late, to slow down guessing; the connection sends
    // nothing else meanwhile, since its requests run one at a time.
    const int delayMs = std::exchange(m_caller->replyDelayMs, 0);
    QByteArray reply = whole;
    if (m_direct && delayMs <= 0) {
        // Written here when the client's socket takes it at once: the network thread
        // hears of it only when it has more for this connection.
        const qint64 sent = m_direct->send(whole);
        if (sent == whole.size()) {
            giveBackShares();
            const bool told = m_direct->answered();
            if (lent()) return watchAgain();
            if (told)
                QMetaObject::invokeMethod(
                    &m_server,
                    [server = &m_server, id = m_connectionId] {
                        if (ClientConnection *c = server->m_connections.value(id))
                            c->answeredDirectly();
                    },
                    Qt::QueuedConnection);
            return;
        }
        if (sent > 0) reply = whole.mid(sent); // the rest follows as any reply
    }
    giveBackShares();
    if (m_direct) {
        std::lock_guard lock(m_direct->outlet()->mutex);
        if (m_direct->outlet()->reading == ReplyOutlet::Reading::Worker)
            m_direct->outlet()->reading = ReplyOutlet::Reading::Returning;
    }
    // Back to the network thread; a connection closed meanwhile is simply not found.
    QMetaObject::invokeMethod(
        &m_server,
        [server = &m_server, id = m_connectionId, reply, delayMs] {
            if (delayMs <= 0) return server->deliver(id, reply);
            QTimer::singleShot(delayMs, server,
                               [server, id, reply] { server->deliver(id, reply); });
        },
        Qt::QueuedConnection);
}

bool AppServer::ReplyRoute::lent() const
{
    std::lock_guard lock(m_direct->outlet()->mutex);
    return m_direct->outlet()->reading == ReplyOutlet::Reading::Worker;
}

void AppServer::ReplyRoute::watchAgain()
{
    const std::shared_ptr<WorkerPool> pool = m_pool.lock();
    ReplyOutlet &outlet = *m_direct->outlet();
    if (m_server.draining()) return handBack({}); // the network thread says goodbye
    {
        std::lock_guard lock(outlet.mutex);
        if (outlet.closed) {
            outlet.reading = ReplyOutlet::Reading::Here; // nothing more to read
            return;
        }
        outlet.reading = ReplyOutlet::Reading::Watched;
        outlet.watchKey = m_connectionId;
        if (pool && pool->watch(outlet.descriptor, m_connectionId, shared_from_this())) return;
    }
    handBack({});
}

std::optional<WorkerPool::Job> AppServer::ReplyRoute::readable()
{
    ReplyOutlet &outlet = *m_direct->outlet();
    {
        std::lock_guard lock(outlet.mutex);
        if (outlet.closed || outlet.reading != ReplyOutlet::Reading::Watched) return std::nullopt;
        outlet.reading = ReplyOutlet::Reading::Worker;
    }
    if (m_server.draining()) { // a request arriving now is not run
        handBack({});
        return std::nullopt;
    }
    QByteArray bytes(WorkerReadBytes, Qt::Uninitialized);
    ssize_t got;
    do {
        got = ::recv(outlet.descriptor, bytes.data(), size_t(bytes.size()), MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        watchAgain();
        return std::nullopt;
    }
    bytes.truncate(std::max<qsizetype>(0, got));
    if (std::optional<QByteArray> request = wholeRequest(bytes))
        return WorkerPool::Job{
            std::move(*request),
            m_caller,
            [route = shared_from_this()](const QByteArray &reply) { route->replied(reply); },
            {},
            {},
            {}};
    // The end of the stream, an error, part of a frame, several: the network thread's to read.
    handBack(bytes);
    return std::nullopt;
}

std::optional<QByteArray> AppServer::ReplyRoute::wholeRequest(const QByteArray &bytes)
{
    wire::FrameReader reader(m_server.m_limits.maxFrameBytes);
    reader.append(bytes);
    std::optional<QByteArray> item = reader.next();
    if (!item || reader.buffered() > 0) return std::nullopt;
    if (!m_server.m_budget->take(bytes.size())) return std::nullopt;
    m_share = bytes.size();
    return item;
}

void AppServer::ReplyRoute::handBack(const QByteArray &bytesRead)
{
    {
        std::lock_guard lock(m_direct->outlet()->mutex);
        m_direct->outlet()->reading = ReplyOutlet::Reading::Returning;
    }
    QMetaObject::invokeMethod(
        &m_server,
        [server = &m_server, id = m_connectionId, bytesRead] {
            if (ClientConnection *c = server->m_connections.value(id)) c->takeBack(bytesRead);
        },
        Qt::QueuedConnection);
}

void AppServer::ReplyRoute::giveBackShares()
{
    if (m_direct) m_direct->giveBackShare();
    m_server.m_budget->giveBack(std::exchange(m_share, 0));
}

AppServer::AppServer(const DatabaseConfig &config, int workers, const ConnectionLimits &limits,
                     std::chrono::seconds sessionIdle, QObject *parent)
    : QObject(parent), m_registry(modules(config)),
      m_metrics(RequestHandler::metricNames(m_registry)), m_gatekeeper(sessionIdle),
      m_handler(m_registry, m_gatekeeper, m_metrics), m_limits(limits),
      m_listener(std::make_unique<QTcpServer>()),
      m_budget(std::make_unique<InputBudget>(limits.inputBudgetBytes)),
      m_unread(std::make_unique<OutputBudget>(limits.outputBudgetBytes)),
      m_drainLimitMs(config.deadlines().statementTimeoutMs + DrainMarginMs)
{
    m_pool = std::make_shared<WorkerPool>(workers, config, m_handler);
    m_health = std::make_unique<HealthProbe>(m_pool);
    connect(m_listener.get(), &QTcpServer::newConnection, this, &AppServer::accept);
    connect(m_listener.get(), &QTcpServer::acceptError, this, &AppServer::backOffAccepting);
}

AppServer::~AppServer()
{
    m_pool.reset(); // no worker may post a reply to a server that is going away
    for (QTcpSocket *refused : m_listener->findChildren<QTcpSocket *>())
        refused->disconnect(this); // they go with the listener, telling no one
    // Every connection, also those closed and awaiting deletion, goes before the budget.
    m_connections.clear();
    qDeleteAll(findChildren<ClientConnection *>(Qt::FindDirectChildrenOnly));
}

void AppServer::useTls(const QSslConfiguration &configuration)
{
    auto secure = std::make_unique<QSslServer>();
    secure->setSslConfiguration(configuration);
    m_listener = std::move(secure);
    // A TLS connection is handed on only once its handshake is done, after newConnection.
    connect(m_listener.get(), &QTcpServer::pendingConnectionAvailable, this, &AppServer::accept);
    connect(m_listener.get(), &QTcpServer::acceptError, this, &AppServer::backOffAccepting);
}

void AppServer::listen(const QHostAddress &address, quint16 port)
{
    // Few: each pending connection already holds a descriptor.
    m_listener->setMaxPendingConnections(16);
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

QByteArray AppServer::metricsText()
{
    ServerMetrics::Gauges gauges;
    gauges.connections = m_connections.size();
    gauges.sessions = m_gatekeeper.liveSessions();
    gauges.queued = m_pool->queued();
    gauges.unreadReplyBytes = m_unread->held();
    gauges.refusedLogins = m_gatekeeper.refusedLogins();
    gauges.deadlinesHit = Database::deadlinesHit();
    return m_metrics.text(gauges);
}

void AppServer::runOnWorker(std::function<void(Database &, const RequestHandler &)> work)
{
    m_pool->probe([this, work = std::move(work)](Database &db) { work(db, m_handler); },
                  m_pool->requestDeadline());
}

void AppServer::accept()
{
    while (m_refusalsInFlight < MaxRefusalsInFlight) {
        QTcpSocket *socket = m_listener->nextPendingConnection();
        if (!socket) return;
        m_acceptBackoffMs = 0;
        if (m_connections.size() >= m_limits.maxConnections) {
            refuse(socket, QStringLiteral("O servidor atingiu o limite de %1 conexões; tente "
                                          "novamente mais tarde.")
                               .arg(m_limits.maxConnections));
            continue;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const quint64 id = m_nextId++;
        auto *connection = new ClientConnection(id, socket, m_limits, *m_budget, *m_unread, m_pool, this);
        m_connections.insert(id, connection);
        auto caller = std::make_shared<ConnectionSession>();
        caller->address = socket->peerAddress().toString();
        m_callers.insert(id, caller);
        connect(connection, &ClientConnection::requestReady, this, &AppServer::run);
        connect(connection, &ClientConnection::closed, this, &AppServer::forget);
    }
    m_listener->pauseAccepting(); // the clients further back wait in the system's queue
}

void AppServer::drain()
{
    if (m_draining.exchange(true)) return;
    m_health->stopping();
    m_listener->close();
    const QString text =
        QStringLiteral("O servidor de aplicação está parando; o pedido não foi executado.");
    // A copy: a connection may close while it is told (deleted later, never here).
    const QList<ClientConnection *> all = m_connections.values();
    for (ClientConnection *connection : all)
        connection->stop(text);
    // A client that never reads its farewell, or a call the database holds past every
    // deadline, does not keep the server from stopping.
    QTimer::singleShot(m_drainLimitMs, this, &AppServer::drained);
    if (m_connections.isEmpty()) emit drained();
}

void AppServer::refuse(QTcpSocket *socket, const QString &text)
{
    ++m_refusalsInFlight;
    connect(socket, &QObject::destroyed, this, [this] {
        if (m_refusalsInFlight-- == MaxRefusalsInFlight) {
            m_listener->resumeAccepting();
            accept();
        }
    });
    socket->write(wire::frame(RequestHandler::faultReply(text)));
    socket->disconnectFromHost();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(RefusedSocketGraceMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

void AppServer::backOffAccepting()
{
    // Qt has paused accepting; established clients go on being served meanwhile.
    m_listener->pauseAccepting();
    m_acceptBackoffMs =
        std::clamp(m_acceptBackoffMs * 2, FirstAcceptBackoffMs, LastAcceptBackoffMs);
    QTimer::singleShot(m_acceptBackoffMs, this, [this] { m_listener->resumeAccepting(); });
}

void AppServer::forget(quint64 connectionId)
{
    // Emitted by the connection itself: deleted once its signal has returned.
    m_callers.remove(connectionId);
    if (ClientConnection *gone = m_connections.take(connectionId)) gone->deleteLater();
    if (draining() && m_connections.isEmpty()) emit drained();
}

void AppServer::run(quint64 connectionId, const QByteArray &requestItem,
                    const std::shared_ptr<DirectReply> &direct)
{
    std::shared_ptr<ConnectionSession> caller = m_callers.value(connectionId);
    if (!caller) return;
    auto route = std::make_shared<ReplyRoute>(*this, connectionId, caller, direct);
    m_pool->submit(requestItem, caller,
                   [route](const QByteArray &whole) { route->replied(whole); });
}

void AppServer::deliver(quint64 connectionId, const QByteArray &replyFrame)
{
    if (ClientConnection *connection = m_connections.value(connectionId))
        connection->deliver(replyFrame);
}
