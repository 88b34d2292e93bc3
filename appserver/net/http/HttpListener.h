#pragma once

#include "RequestGuard.h"

#include <QSslServer>
#include <memory>

// The HTTP port's listener: each new connection (after its TLS handshake, with TLS) gets its
// RequestGuard before Qt's HTTP server is handed it, and one over the connection limit is
// answered 503 and closed at once.
class HttpListener : public QSslServer
{
    Q_OBJECT
public:
    // tls: whether connections are TLS with the configuration set on this server.
    HttpListener(bool tls, int maxConnections, const RequestGuard::Limits &limits,
                 QObject *parent = nullptr)
        : QSslServer(parent), m_tls(tls), m_maxConnections(maxConnections), m_limits(limits)
    {
    }

    int connections() const { return m_open; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void watch(QTcpSocket *socket);

    bool m_tls;
    int m_maxConnections;
    RequestGuard::Limits m_limits;
    int m_open = 0;
};
