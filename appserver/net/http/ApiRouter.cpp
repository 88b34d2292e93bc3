#include "ApiRouter.h"

#include "AnalysisRoutes.h"
#include "ApiJson.h"
#include "ConnectionSession.h"
#include "DimensionRoutes.h"
#include "Gatekeeper.h"
#include "ServerCalls.h"
#include "ServerFailure.h"

#include <QJsonObject>
#include <new>

ApiResponse ApiRouter::answer(const ApiRequest &request, const RequestHandler &handler,
                              Database &db, ConnectionSession &caller)
{
    ServerCalls calls(handler, db, caller);
    try {
        const QString first = request.path.value(0);
        if (first == QLatin1String("sessions")) return sessions(request, calls);
        calls.resume(request.bearer);
        if (first == QLatin1String("dimensions") && request.path.size() <= 4 &&
            (request.path.size() < 3 || request.path[2] == QLatin1String("extras")))
            return DimensionRoutes(request, calls).answer();
        if (first == QLatin1String("dimensions") || first == QLatin1String("check"))
            return AnalysisRoutes(request, calls).answer();
        throw ApiProblem(404, QStringLiteral("Recurso inexistente: /api/v1/%1")
                                  .arg(request.path.join(QLatin1Char('/'))));
    } catch (const ApiProblem &problem) {
        ApiResponse response = problem.response();
        if (problem.status() == 401)
            response.headers.append(
                {QByteArrayLiteral("WWW-Authenticate"), QByteArrayLiteral("Bearer")});
        return response;
    } catch (const Exception &e) {
        return ApiProblem(503, e.Message()).response();
    } catch (const std::bad_alloc &) {
        return ApiProblem(
                   503, QStringLiteral("Memória insuficiente no servidor para atender a chamada."))
            .response();
    }
}

ApiResponse ApiRouter::sessions(const ApiRequest &request, ServerCalls &calls)
{
    const QStringList &path = request.path;
    const char *module = Gatekeeper::SessionModule;
    if (path.size() == 2 && path[1] == QLatin1String("current") && request.method == "DELETE") {
        calls.resume(request.bearer);
        calls.call(module, QStringLiteral("logout"), {});
        ApiResponse gone;
        gone.status = 204;
        return gone;
    }
    if (path.size() != 1 || request.method != "POST")
        throw ApiProblem(405, QStringLiteral("Entre com POST /api/v1/sessions e saia com DELETE "
                                             "/api/v1/sessions/current."));
    const QJsonObject body = api_json::object(request.body);
    const QJsonValue user = body.value(QStringLiteral("user"));
    const QJsonValue password = body.value(QStringLiteral("password"));
    if (!user.isString() || !password.isString())
        throw ApiProblem(400, QStringLiteral("Informe \"user\" e \"password\" como textos."));
    const Variant reply = calls.callKeepingFailure(
        module, QStringLiteral("login"), {Variant(user.toString()), Variant(password.toString())});
    if (server_failure::is(reply)) {
        ApiResponse refused = ApiProblem(401, server_failure::message(reply)).response();
        refused.delayMs = std::exchange(calls.caller().replyDelayMs, 0);
        return refused;
    }
    const QList<Variant> &granted = reply.items();
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("token"), granted.value(0).toString()},
                    {QStringLiteral("role"), granted.value(1).toString()},
                    {QStringLiteral("idleSeconds"), granted.value(2).toInteger()}},
        201);
}
