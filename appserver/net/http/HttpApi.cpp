#include "HttpApi.h"

#include "ApiExchange.h"
#include "ApiRouter.h"
#include "AppServer.h"
#include "ConnectionSession.h"
#include "Exceptions.h"
#include "HttpListener.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr QLatin1String ApiPrefix("/api/v1/");

// The page and the description, by path: the resource and its type.
struct Resource
{
    const char *path;
    const char *file;
    const char *type;
};
constexpr Resource Resources[] = {
    {"/", ":/http/page/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/http/page/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/http/page/style.css", "text/css; charset=utf-8"},
    {"/api/v1/openapi.json", ":/http/openapi.json", "application/json"},
};

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}

} // namespace

HttpApi::HttpApi(AppServer &server, const ConnectionLimits &limits)
    : m_server(server), m_limits(limits)
{
    m_http.setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            serve(request, std::move(responder));
        });
}

HttpApi::~HttpApi()
{
    *m_alive = false;
}

void HttpApi::listen(const QHostAddress &address, quint16 port,
                     const std::optional<QSslConfiguration> &tls)
{
    const RequestGuard::Limits guard{m_limits.maxFrameBytes, int(m_limits.idleTimeoutMs),
                                     int(m_limits.frameTimeoutMs)};
    m_tls = tls.has_value();
    auto *listener = new HttpListener(m_tls, m_limits.maxConnections, guard, &m_http);
    if (tls) listener->setSslConfiguration(*tls);
    if (!listener->listen(address, port)) {
        const QString reason = listener->errorString();
        delete listener;
        throw Exception(QStringLiteral("Não foi possível escutar a API HTTP em %1:%2: %3")
                            .arg(address.toString())
                            .arg(port)
                            .arg(reason));
    }
    m_http.bind(listener);
    m_listener = listener;
}

quint16 HttpApi::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

void HttpApi::stopAccepting()
{
    if (m_listener) m_listener->close();
}

void HttpApi::serve(const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    const QString path = request.url().path(QUrl::FullyDecoded);
    if (std::optional<ApiResponse> page = resource(path)) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return send(responder,
                        ApiProblem(405, QStringLiteral("Só GET neste recurso.")).response());
        return send(responder, *page);
    }
    if (!path.startsWith(ApiPrefix))
        return send(responder,
                    ApiProblem(404, QStringLiteral("Página inexistente: %1").arg(path)).response());
    // As many requests waiting for the workers as one connection of the clients' port may queue.
    if (qsizetype(m_pending.size()) >= m_limits.maxQueuedRequests) {
        ApiResponse busy = ApiProblem(429, QStringLiteral("Requisições demais ao mesmo tempo; "
                                                          "tente novamente em instantes."))
                               .response();
        busy.headers.append({QByteArrayLiteral("Retry-After"), QByteArrayLiteral("1")});
        return send(responder, busy);
    }
    const quint64 id = m_nextId++;
    QTcpSocket *socket = responder.socket();
    auto call = std::make_shared<const ApiRequest>(apiRequest(request, path.mid(ApiPrefix.size())));
    const std::shared_ptr<ConnectionSession> caller = sessionOf(socket, call->address);
    m_pending.emplace(id, Pending{std::move(responder), socket, caller});
    std::weak_ptr<bool> alive = m_alive;
    m_server.runOnWorker(
        [this, alive, id, call, caller](Database &db, const RequestHandler &handler) {
            ApiResponse response = ApiRouter::answer(*call, handler, db, *caller);
            // Back on the network thread, which owns the sockets and the responders.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this, alive, id, response = std::move(response)] {
                    if (alive.lock()) answered(id, response);
                },
                Qt::QueuedConnection);
        });
}

void HttpApi::answered(quint64 id, const ApiResponse &response)
{
    auto found = m_pending.find(id);
    if (found == m_pending.end()) return;
    if (!found->second.socket || response.delayMs <= 0) {
        // A client gone meanwhile is not written to.
        if (found->second.socket) send(found->second.responder, response);
        m_pending.erase(found);
        return;
    }
    // A refused login: answered later, still counted as in flight meanwhile.
    ApiResponse now = response;
    now.delayMs = 0;
    QTimer::singleShot(response.delayMs, found->second.socket,
                       [this, id, now] { answered(id, now); });
}

std::shared_ptr<ConnectionSession> HttpApi::sessionOf(QTcpSocket *socket, const QString &address)
{
    // A connection's requests run one at a time, as on the clients' port; one sent while
    // another of the same connection is still running gets a session of its own.
    for (const auto &[id, pending] : m_pending)
        if (pending.socket == socket) {
            auto alone = std::make_shared<ConnectionSession>();
            alone->address = address;
            return alone;
        }
    std::shared_ptr<ConnectionSession> &kept = m_sessions[socket];
    if (!kept) {
        kept = std::make_shared<ConnectionSession>();
        kept->address = address;
        QObject::connect(socket, &QObject::destroyed, &m_http,
                         [this, socket] { m_sessions.remove(socket); });
    }
    return kept;
}

ApiRequest HttpApi::apiRequest(const QHttpServerRequest &request, const QString &path) const
{
    ApiRequest call;
    call.method = methodName(request.method());
    for (const QString &segment : path.split(QLatin1Char('/')))
        if (!segment.isEmpty()) call.path << segment;
    call.query = request.query();
    const QByteArray authorization = request.value(QByteArrayLiteral("Authorization"));
    if (authorization.startsWith("Bearer "))
        call.bearer = QString::fromLatin1(authorization.mid(7).trimmed());
    call.ifMatch = request.value(QByteArrayLiteral("If-Match"));
    call.body = request.body();
    call.address = request.remoteAddress().toString();
    const QByteArray host = request.value(QByteArrayLiteral("Host"));
    call.base = (m_tls ? QStringLiteral("https://") : QStringLiteral("http://")) +
                QString::fromLatin1(host.isEmpty() ? QByteArrayLiteral("localhost") : host);
    return call;
}

std::optional<ApiResponse> HttpApi::resource(const QString &path) const
{
    for (const Resource &resource : Resources) {
        if (path != QLatin1String(resource.path)) continue;
        QFile file(QString::fromLatin1(resource.file));
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        ApiResponse response;
        response.contentType = resource.type;
        response.body = file.readAll();
        return response;
    }
    return std::nullopt;
}

void HttpApi::send(QHttpServerResponder &responder, const ApiResponse &response) const
{
    using Status = QHttpServerResponder::StatusCode;
    responder.writeStatusLine(Status(response.status));
    if (response.status != 204)
        responder.writeHeader(QByteArrayLiteral("Content-Type"), response.contentType);
    responder.writeHeader(QByteArrayLiteral("Content-Length"),
                          QByteArray::number(response.body.size()));
    responder.writeHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    responder.writeHeader(QByteArrayLiteral("X-Content-Type-Options"),
                          QByteArrayLiteral("nosniff"));
    for (const auto &[name, value] : response.headers)
        responder.writeHeader(name, value);
    responder.writeBody(response.body);
}
