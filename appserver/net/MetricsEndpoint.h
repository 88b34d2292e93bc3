#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <functional>
#include <optional>

class HealthProbe;
class QSslConfiguration;
class QTcpServer;

// The operator's HTTP side, apart from the clients' port: GET /metrics, the server's counts
// in Prometheus's text format, and GET /health, 200 while a worker reaches the database within
// the probe's deadline and 503 otherwise. Served on the network thread by Qt's HTTP server;
// both answers are read from counters and the probe's last result, never wait for a worker.
class MetricsEndpoint
{
public:
    MetricsEndpoint(std::function<QByteArray()> metrics, const HealthProbe &health);
    ~MetricsEndpoint();

    // Throws Exception with a clear text when the address cannot be listened on. With a TLS
    // configuration the pages are served over HTTPS only.
    void listen(const QHostAddress &address, quint16 port,
                const std::optional<QSslConfiguration> &tls);
    quint16 port() const;

private:
    QHttpServer m_http;
    QTcpServer *m_listener = nullptr; // the HTTP server's
};
