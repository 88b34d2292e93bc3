#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <optional>

class AppServer;
class QSslConfiguration;
class QTcpServer;
class QTcpSocket;

// The operator's HTTP side, apart from the clients' port: GET /metrics, the server's counts
// in Prometheus's text format, and GET /health, 200 while a worker reaches the database within
// the probe's deadline and 503 otherwise. Both answers are read from counters and the probe's
// last result on the network thread, never wait for a worker. Held to limits as the clients'
// port is: a request is its head alone, of a few KiB (a body is refused unread), one request
// a connection, which is closed when it has not sent it within a few seconds; its connections
// count against the server's connection limit, and running out of descriptors pauses its
// accepting for a while instead of spinning.
class MetricsEndpoint : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxRequestBytes = 4096;
    static constexpr int RequestTimeoutMs = 5000;

    explicit MetricsEndpoint(AppServer &server, QObject *parent = nullptr);
    ~MetricsEndpoint() override;

    // Throws Exception with a clear text when the address cannot be listened on. With a TLS
    // configuration the pages are served over HTTPS only.
    void listen(const QHostAddress &address, quint16 port,
                const std::optional<QSslConfiguration> &tls);
    quint16 port() const;

private:
    void accept();
    void read(QTcpSocket *socket);
    QByteArray answer(const QByteArray &head) const; // the whole response
    void backOffAccepting();

    AppServer &m_server;
    QTcpServer *m_listener = nullptr; // a child
    int m_backoffMs = 0;
};
