#include "MetricsEndpoint.h"

#include "Exceptions.h"
#include "HealthProbe.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>

MetricsEndpoint::MetricsEndpoint(std::function<QByteArray()> metrics, const HealthProbe &health)
{
    m_http.route(QStringLiteral("/metrics"), [metrics = std::move(metrics)] {
        return QHttpServerResponse(QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8"),
                                   metrics());
    });
    m_http.route(QStringLiteral("/health"), [&health] {
        // A stopping server is out first, so that a load balancer sends no one new to it.
        if (health.isStopping())
            return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"),
                                       QByteArrayLiteral("o servidor está parando\n"),
                                       QHttpServerResponse::StatusCode::ServiceUnavailable);
        if (health.databaseAnswers())
            return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"),
                                       QByteArrayLiteral("ok\n"));
        return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"),
                                   QStringLiteral("o banco de dados não respondeu em %1 s\n")
                                       .arg(double(HealthProbe::Deadline.count()) / 1000)
                                       .toUtf8(),
                                   QHttpServerResponse::StatusCode::ServiceUnavailable);
    });
}

MetricsEndpoint::~MetricsEndpoint() = default;

void MetricsEndpoint::listen(const QHostAddress &address, quint16 port,
                             const std::optional<QSslConfiguration> &tls)
{
    QTcpServer *listener = nullptr;
    if (tls) {
        // Handed on to the HTTP server only once the handshake is done.
        auto *secure = new QSslServer(&m_http);
        secure->setSslConfiguration(*tls);
        listener = secure;
    } else {
        listener = new QTcpServer(&m_http);
    }
    if (!listener->listen(address, port)) {
        const QString reason = listener->errorString();
        delete listener;
        throw Exception(QStringLiteral("Não foi possível escutar as métricas em %1:%2: %3")
                            .arg(address.toString())
                            .arg(port)
                            .arg(reason));
    }
    m_http.bind(listener);
    m_listener = listener;
}

quint16 MetricsEndpoint::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}
