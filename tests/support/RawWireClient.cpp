#include "RawWireClient.h"

#include "ServerFailure.h"

#include <QDeadlineTimer>

bool RawWireClient::connectTo(const QString &host, quint16 port, int timeoutMs)
{
    m_socket.connectToHost(host, port);
    return m_socket.waitForConnected(timeoutMs);
}

bool RawWireClient::resume(const QString &sessionToken)
{
    sendRequest({QStringLiteral("KZR.Sessao"), QStringLiteral("resume"), {Variant(sessionToken)}});
    const std::optional<wire::Reply> reply = readReply();
    return reply && !reply->fault && !server_failure::is(reply->result);
}

void RawWireClient::sendBytes(const QByteArray &bytes)
{
    m_socket.write(bytes);
    m_socket.waitForBytesWritten(5000);
}

void RawWireClient::sendItem(const QByteArray &cborItem)
{
    sendBytes(wire::frame(cborItem));
}

void RawWireClient::sendRequest(const wire::Request &request)
{
    sendItem(wire::encodeRequest(request));
}

std::optional<wire::Reply> RawWireClient::readReply(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (auto item = m_reader.next()) return wire::decodeReply(*item);
        if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState) {
            m_reader.append(m_socket.readAll());
            if (auto item = m_reader.next()) return wire::decodeReply(*item);
            return std::nullopt;
        }
        if (m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            m_reader.append(m_socket.readAll());
    }
}

bool RawWireClient::waitClosed(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        if (m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            m_socket.readAll();
        else if (m_socket.state() == QAbstractSocket::ConnectedState &&
                 m_socket.error() == QAbstractSocket::RemoteHostClosedError)
            break;
    }
    return m_socket.state() == QAbstractSocket::UnconnectedState ||
           m_socket.error() == QAbstractSocket::RemoteHostClosedError;
}
