#include "ClientConnection.h"

#include "RequestHandler.h"

#include <QTcpSocket>

ClientConnection::ClientConnection(quint64 id, QTcpSocket *socket, QObject *parent)
    : QObject(parent), m_id(id), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientConnection::readIncoming);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { emit closed(m_id); });
}

void ClientConnection::readIncoming()
{
    const QByteArray bytes = m_socket->readAll();
    if (!m_fatal.isEmpty()) return; // closing: what follows a broken frame cannot be read as frames
    m_reader.append(bytes);
    while (auto item = m_reader.next()) {
        if (m_waiting.size() >= MaxQueuedRequests) {
            failAndClose(QStringLiteral("Requisições demais pendentes nesta conexão (máximo %1).")
                             .arg(MaxQueuedRequests));
            return;
        }
        m_waiting.enqueue(std::move(*item));
    }
    if (m_reader.failed()) {
        failAndClose(m_reader.error());
        return;
    }
    pump();
}

void ClientConnection::pump()
{
    if (m_inFlight) return;
    if (!m_waiting.isEmpty()) {
        m_inFlight = true;
        emit requestReady(m_id, m_waiting.dequeue());
        return;
    }
    if (!m_fatal.isEmpty()) {
        m_socket->write(wire::frame(RequestHandler::faultReply(m_fatal)));
        m_socket->disconnectFromHost(); // after the fault has been written
    }
}

void ClientConnection::failAndClose(const QString &text)
{
    m_fatal = text.isEmpty() ? QStringLiteral("Quadro inválido.") : text;
    pump();
}

void ClientConnection::deliver(const QByteArray &replyItem)
{
    m_inFlight = false;
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(wire::frame(replyItem));
    pump();
}
