#include "AppServer.h"

#include "AnaliseModule.h"
#include "ClientConnection.h"
#include "DimensaoModule.h"
#include "EstruturaModule.h"
#include "Exceptions.h"
#include "InputBudget.h"
#include "WorkerPool.h"

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

constexpr int FirstAcceptBackoffMs = 20;
constexpr int LastAcceptBackoffMs = 1000;
constexpr int RefusedSocketGraceMs = 2000; // for a refused client to read its fault

} // namespace

AppServer::AppServer(const DatabaseConfig &config, int workers, const ConnectionLimits &limits,
                     std::chrono::seconds sessionIdle, QObject *parent)
    : QObject(parent), m_gatekeeper(sessionIdle), m_handler(m_registry, m_gatekeeper),
      m_limits(limits), m_listener(std::make_unique<QTcpServer>()),
      m_budget(std::make_unique<InputBudget>(limits.inputBudgetBytes))
{
    DimensaoModule::registerIn(m_registry);
    EstruturaModule::registerIn(m_registry);
    AnaliseModule::registerIn(m_registry, config.deadlines());
    m_pool = std::make_unique<WorkerPool>(workers, config, m_handler);
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
        auto *connection = new ClientConnection(id, socket, m_limits, *m_budget, this);
        m_connections.insert(id, connection);
        m_callers.insert(id, std::make_shared<ConnectionSession>());
        connect(connection, &ClientConnection::requestReady, this, &AppServer::run);
        connect(connection, &ClientConnection::closed, this, &AppServer::forget);
    }
    m_listener->pauseAccepting(); // the clients further back wait in the system's queue
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
}

void AppServer::run(quint64 connectionId, const QByteArray &requestItem,
                    const std::shared_ptr<DirectReply> &direct)
{
    std::shared_ptr<ConnectionSession> caller = m_callers.value(connectionId);
    if (!caller) return;
    m_pool->submit(requestItem, caller,
                   [this, connectionId, caller, direct](const QByteArray &whole) {
        // A refused login is answered late, to slow down guessing; the connection sends
        // nothing else meanwhile, since its requests run one at a time.
        const int delayMs = std::exchange(caller->replyDelayMs, 0);
        QByteArray reply = whole;
        if (direct && delayMs <= 0) {
            // Written here when the client's socket takes it at once: the network thread
            // hears of it only when it has more for this connection.
            const qint64 sent = direct->send(whole);
            if (sent == whole.size()) {
                if (direct->answered())
                    QMetaObject::invokeMethod(
                        this,
                        [this, connectionId] {
                            if (ClientConnection *c = m_connections.value(connectionId))
                                c->answeredDirectly();
                        },
                        Qt::QueuedConnection);
                return;
            }
            if (sent > 0) reply = whole.mid(sent); // the rest follows as any reply
        }
        // Back to the network thread; a connection closed meanwhile is simply not found.
        QMetaObject::invokeMethod(
            this,
            [this, connectionId, reply, delayMs] {
                if (delayMs <= 0) return deliver(connectionId, reply);
                QTimer::singleShot(delayMs, this,
                                   [this, connectionId, reply] { deliver(connectionId, reply); });
            },
            Qt::QueuedConnection);
    });
}

void AppServer::deliver(quint64 connectionId, const QByteArray &replyFrame)
{
    if (ClientConnection *connection = m_connections.value(connectionId))
        connection->deliver(replyFrame);
}
