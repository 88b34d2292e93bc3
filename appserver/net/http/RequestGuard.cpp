#include "RequestGuard.h"

#include "ApiExchange.h"

#include <QTcpSocket>

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 411:
        return QByteArrayLiteral("Length Required");
    case 413:
        return QByteArrayLiteral("Content Too Large");
    case 431:
        return QByteArrayLiteral("Request Header Fields Too Large");
    default:
        return QByteArrayLiteral("Service Unavailable");
    }
}

} // namespace

void RequestGuard::attach(QTcpSocket *socket, const Limits &limits)
{
    new RequestGuard(socket, limits);
}

void RequestGuard::refuse(QTcpSocket *socket, int status, const QString &detail)
{
    const ApiResponse problem = ApiProblem(status, detail).response();
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) +
                       "\r\nContent-Type: " + problem.contentType +
                       "\r\nContent-Length: " + QByteArray::number(problem.body.size()) +
                       "\r\nConnection: close\r\n";
    if (status == 503) bytes += "Retry-After: 1\r\n";
    socket->write(bytes + "\r\n" + problem.body);
    socket->disconnectFromHost();
}

RequestGuard::RequestGuard(QTcpSocket *socket, const Limits &limits)
    : QObject(socket), m_socket(socket), m_limits(limits)
{
    m_idle.setSingleShot(true);
    m_request.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, socket, &QTcpSocket::abort);
    connect(&m_request, &QTimer::timeout, socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, this, &RequestGuard::bytesArrived);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_limits.idleMs > 0) m_idle.start(m_limits.idleMs);
    });
    if (m_limits.idleMs > 0) m_idle.start(m_limits.idleMs);
}

void RequestGuard::bytesArrived()
{
    // Whatever Qt's server has not read yet; it reads everything at each signal, after us.
    if (!m_refused) {
        if (m_limits.idleMs > 0) m_idle.start(m_limits.idleMs);
        m_refused = !scan(m_socket->peek(m_socket->bytesAvailable()));
    }
    if (m_refused) m_socket->readAll(); // Qt's server sees nothing of a refused request
}

bool RequestGuard::scan(const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (m_inBody) {
            const qint64 taken = std::min<qint64>(m_bodyLeft, bytes.size() - at);
            m_bodyLeft -= taken;
            at += taken;
            if (m_bodyLeft == 0) {
                m_inBody = false;
                m_request.stop();
            }
            continue;
        }
        if (m_head.isEmpty() && m_limits.requestMs > 0) m_request.start(m_limits.requestMs);
        const qsizetype end = bytes.indexOf("\r\n\r\n", at);
        const qsizetype stop = end < 0 ? bytes.size() : end + 4;
        // The end of the headers may straddle two reads: it is looked for in all of them.
        m_head += bytes.mid(at, stop - at);
        at = stop;
        if (m_head.size() > HeaderLimit) {
            refuseRequest(
                431,
                QStringLiteral("Os cabeçalhos da requisição passam de %1 bytes.").arg(HeaderLimit));
            return false;
        }
        const qsizetype ended = m_head.indexOf("\r\n\r\n");
        if (ended < 0) continue;
        if (ended + 4 < m_head.size()) {
            at -= m_head.size() - (ended + 4);
            m_head.truncate(ended + 4);
        }
        if (!headersEnded()) return false;
    }
    return true;
}

bool RequestGuard::headersEnded()
{
    qint64 length = 0;
    for (const QByteArray &line : m_head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower() != "identity") {
            refuseRequest(411, QStringLiteral("Envie o corpo com Content-Length, não em partes."));
            return false;
        }
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0) length = m_limits.bodyBytes + 1;
        }
    }
    if (length > m_limits.bodyBytes) {
        refuseRequest(413, QStringLiteral("O corpo da requisição tem %1 bytes; o máximo é %2.")
                               .arg(length)
                               .arg(m_limits.bodyBytes));
        return false;
    }
    m_head.clear();
    m_bodyLeft = length;
    m_inBody = length > 0;
    if (!m_inBody) m_request.stop();
    return true;
}

void RequestGuard::refuseRequest(int status, const QString &detail)
{
    m_idle.stop();
    m_request.stop();
    refuse(m_socket, status, detail);
}
