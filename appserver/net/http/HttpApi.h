#pragma once

#include "ConnectionLimits.h"

#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QPointer>
#include <QTcpSocket>
#include <memory>
#include <optional>
#include <unordered_map>

class AppServer;
class HttpListener;
class QSslConfiguration;
struct ConnectionSession;
struct ApiRequest;
struct ApiResponse;

// The HTTP port (--http): the JSON API under /api/v1, its OpenAPI description, and the
// read-only web page at /, on Qt's HTTP server. A request of the API is taken off the network
// thread to one of the server's workers, like a request of the clients' port, and answered
// back here; pages and the description come from the program's resources.
class HttpApi
{
public:
    HttpApi(AppServer &server, const ConnectionLimits &limits);
    ~HttpApi();

    // Throws Exception with a clear text when the address cannot be listened on. With a TLS
    // configuration, HTTPS only.
    void listen(const QHostAddress &address, quint16 port,
                const std::optional<QSslConfiguration> &tls);
    quint16 port() const;
    // The server is stopping: no new connection is taken; those open are answered until it
    // stops.
    void stopAccepting();

private:
    void serve(const QHttpServerRequest &request, QHttpServerResponder &&responder);
    ApiRequest apiRequest(const QHttpServerRequest &request, const QString &path) const;
    void send(QHttpServerResponder &responder, const ApiResponse &response) const;
    std::optional<ApiResponse> resource(const QString &path) const;
    void answered(quint64 id, const ApiResponse &response);

    // Who is on a keep-alive connection: kept between its requests, as on the clients' port.
    std::shared_ptr<ConnectionSession> sessionOf(QTcpSocket *socket, const QString &address);

    struct Pending
    {
        QHttpServerResponder responder;
        QPointer<QTcpSocket> socket;               // gone when the client went away
        std::shared_ptr<ConnectionSession> caller; // in use by the worker until answered
    };

    AppServer &m_server;
    ConnectionLimits m_limits;
    QHttpServer m_http;
    HttpListener *m_listener = nullptr; // the HTTP server's child
    bool m_tls = false;
    std::unordered_map<quint64, Pending> m_pending; // handed to the workers, not yet answered
    QHash<QTcpSocket *, std::shared_ptr<ConnectionSession>> m_sessions;
    quint64 m_nextId = 1;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // for answers coming back
};
