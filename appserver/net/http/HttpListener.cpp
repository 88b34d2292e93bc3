#include "HttpListener.h"

#include <QSslSocket>

void HttpListener::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= m_maxConnections) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (m_tls) { // no words for a client over the limit before a handshake: closed at once
            socket->abort();
            socket->deleteLater();
            return;
        }
        RequestGuard::refuse(socket, 503,
                             QStringLiteral("O servidor atingiu o limite de %1 conexões; tente "
                                            "novamente mais tarde.")
                                 .arg(m_maxConnections));
        return;
    }
    watch(socket);
    if (!m_tls) {
        addPendingConnection(socket);
        return;
    }
    auto *secure = static_cast<QSslSocket *>(socket);
    secure->setSslConfiguration(sslConfiguration());
    connect(secure, &QSslSocket::encrypted, this, [this, secure] { addPendingConnection(secure); });
    connect(secure, &QSslSocket::errorOccurred, secure, [secure] {
        if (!secure->isEncrypted()) secure->deleteLater();
    });
    secure->startServerEncryption();
}

void HttpListener::watch(QTcpSocket *socket)
{
    ++m_open;
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    RequestGuard::attach(socket, m_limits);
}
