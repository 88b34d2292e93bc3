#include "MetricsEndpoint.h"

#include "AppServer.h"
#include "Exceptions.h"
#include "HealthProbe.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <sys/socket.h>

namespace {

QByteArray response(int status, const QByteArray &reason, const QByteArray &body,
                    const QByteArray &type = "text/plain; charset=utf-8")
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

MetricsEndpoint::MetricsEndpoint(AppServer &server, QObject *parent)
    : QObject(parent), m_server(server)
{
}

MetricsEndpoint::~MetricsEndpoint() = default;

void MetricsEndpoint::listen(const QHostAddress &address, quint16 port,
                             const std::optional<QSslConfiguration> &tls)
{
    if (tls) {
        auto *secure = new QSslServer(this);
        secure->setSslConfiguration(*tls);
        // Handed on only once the handshake is done.
        connect(secure, &QTcpServer::pendingConnectionAvailable, this, &MetricsEndpoint::accept);
        m_listener = secure;
    } else {
        m_listener = new QTcpServer(this);
        connect(m_listener, &QTcpServer::newConnection, this, &MetricsEndpoint::accept);
    }
    connect(m_listener, &QTcpServer::acceptError, this, &MetricsEndpoint::backOffAccepting);
    m_listener->setMaxPendingConnections(16);
    if (!m_listener->listen(address, port))
        throw Exception(QStringLiteral("Não foi possível escutar as métricas em %1:%2: %3")
                            .arg(address.toString())
                            .arg(port)
                            .arg(m_listener->errorString()));
}

quint16 MetricsEndpoint::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

void MetricsEndpoint::accept()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        m_backoffMs = 0;
        if (!m_server.admitPageConnection()) {
            socket->write(response(503, "Service Unavailable", "limite de conexões atingido\n"));
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(RequestTimeoutMs, socket, &QObject::deleteLater);
            continue;
        }
        socket->setParent(this);
        socket->setReadBufferSize(MaxRequestBytes + 1);
        connect(socket, &QObject::destroyed, this, [this] { m_server.pageConnectionClosed(); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // Whether idle or slow, a connection has this long for its request and its answer.
        QTimer::singleShot(RequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void MetricsEndpoint::read(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        // Whatever follows is no request: read away, up to a limit, so that a client still
        // sending can take its answer; past that it is left unread until the time is up.
        const qint64 drained = socket->property("drained").toLongLong();
        if (drained < MaxRequestBytes * 16)
            socket->setProperty("drained", drained + socket->read(MaxRequestBytes).size());
        return;
    }
    QByteArray head = socket->property("head").toByteArray();
    head += socket->read(MaxRequestBytes + 1 - head.size());
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0 && head.size() <= MaxRequestBytes) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QVariant());
    socket->setProperty("answered", true);
    socket->write(end < 0 ? response(431, "Request Header Fields Too Large",
                                     "pedido maior que " + QByteArray::number(MaxRequestBytes) +
                                         " bytes\n")
                          : answer(head.left(end)));
    if (qobject_cast<QSslSocket *>(socket)) {
        socket->disconnectFromHost();
        return;
    }
    // Only this side is closed once the answer has gone: closing the socket with bytes of the
    // client's still unread would reset the connection and lose the answer. The client closes
    // the rest, or the connection's time limit does.
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0) ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
    });
}

QByteArray MetricsEndpoint::answer(const QByteArray &head) const
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1."))
        return response(400, "Bad Request", "pedido malformado\n");
    for (const QByteArray &line : lines.mid(1)) {
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
        if ((name == "content-length" && value != "0") || name == "transfer-encoding")
            return response(413, "Content Too Large", "estas páginas não recebem conteúdo\n");
    }
    if (request[0] != "GET") return response(405, "Method Not Allowed", "somente GET\n");
    const QByteArray path = request[1].split('?').first();
    if (path == "/metrics")
        return response(200, "OK", m_server.metricsText(),
                        "text/plain; version=0.0.4; charset=utf-8");
    if (path != "/health") return response(404, "Not Found", "página desconhecida\n");
    if (m_server.health().databaseAnswers()) return response(200, "OK", "ok\n");
    return response(503, "Service Unavailable",
                    QStringLiteral("o banco de dados não respondeu em %1 s\n")
                        .arg(double(HealthProbe::Deadline.count()) / 1000)
                        .toUtf8());
}

void MetricsEndpoint::backOffAccepting()
{
    // Out of descriptors: the listener waits a little before it tries again.
    m_listener->pauseAccepting();
    m_backoffMs = std::clamp(m_backoffMs * 2, 20, 1000);
    QTimer::singleShot(m_backoffMs, m_listener, [listener = m_listener] {
        listener->resumeAccepting();
    });
}
