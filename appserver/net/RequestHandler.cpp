#include "RequestHandler.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "Database.h"
#include "DryRun.h"
#include "Gatekeeper.h"
#include "MethodFailure.h"
#include "MethodRegistry.h"
#include "ServerFailure.h"
#include "ServerMetrics.h"
#include "WireProtocol.h"

#include <chrono>
#include <new>

namespace {

using Failure = ServerMetrics::Failure;

} // namespace

QByteArray RequestHandler::faultReply(const QString &text)
{
    wire::Reply reply;
    reply.fault = text;
    return wire::encodeReply(reply);
}

QVector<std::pair<QString, QString>> RequestHandler::metricNames(const MethodRegistry &registry)
{
    const QString session = QLatin1String(Gatekeeper::SessionModule);
    return registry.names() +
           QVector<std::pair<QString, QString>>{{session, QStringLiteral("login")},
                                                {session, QStringLiteral("resume")}};
}

QByteArray RequestHandler::failureFrame(const QString &text)
{
    wire::Reply reply;
    reply.result = server_failure::make(text);
    return wire::encodeReplyFrame(reply);
}

QByteArray RequestHandler::handle(const QByteArray &requestItem, Database &db,
                                  ConnectionSession &caller) const
{
    const auto start = std::chrono::steady_clock::now();
    QByteArray reply = answer(requestItem, db, caller);
    m_metrics.took(std::chrono::steady_clock::now() - start);
    return reply;
}

QByteArray RequestHandler::answer(const QByteArray &requestItem, Database &db,
                                  ConnectionSession &caller) const
{
    wire::Request request;
    try {
        request = wire::decodeRequest(requestItem);
    } catch (const Exception &e) {
        m_metrics.failed(Failure::Malformed);
        return wire::frame(
            faultReply(QStringLiteral("Requisição malformada: %1").arg(e.Message())));
    }
    const bool sessionCall = request.module == QLatin1String(Gatekeeper::SessionModule);
    const bool dryRun = request.module == QLatin1String(DryRun::Module);
    const MethodRegistry::Method *method = m_registry.find(request.module, request.method);
    if (method) {
        m_metrics.requested(method->index);
    } else if (sessionCall && (request.method == QLatin1String("login") ||
                               request.method == QLatin1String("resume"))) {
        const int base = int(m_registry.names().size());
        m_metrics.requested(base + (request.method == QLatin1String("login") ? 0 : 1));
    } else if (!sessionCall && !dryRun) {
        m_metrics.failed(Failure::UnknownMethod);
        return wire::frame(
            faultReply(m_registry.hasModule(request.module)
                           ? QStringLiteral("O módulo %1 não tem o método \"%2\".")
                                 .arg(request.module, request.method)
                           : QStringLiteral("Módulo desconhecido: \"%1\".").arg(request.module)));
    }
    wire::Reply reply;
    try {
        if (sessionCall) {
            reply.result = m_gatekeeper.sessionCall(request, caller, db);
        } else if (dryRun) {
            reply.result = DryRun(m_registry, m_gatekeeper).run(request, db, caller);
        } else if (std::optional<Variant> refusal =
                       m_gatekeeper.refusal(request.method, caller, db)) {
            reply.result = *refusal;
            m_metrics.failed(Failure::Refused);
        } else {
            MethodCall call(request.method, method->args, request.args);
            call.setCaller(caller.user);
            reply.result = method->handler(db, call);
            reply.byRef = call.byRef();
        }
    } catch (const CallFault &e) {
        m_metrics.failed(Failure::Arguments);
        return wire::frame(faultReply(e.Message()));
    } catch (const Exception &e) {
        m_metrics.failed(Failure::Method);
        reply.result = server_failure::make(e.Message());
    } catch (const std::bad_alloc &) {
        m_metrics.failed(Failure::Internal);
        reply.result = server_failure::make(
            QStringLiteral("Memória insuficiente no servidor para atender a chamada."));
    } catch (const std::exception &e) {
        m_metrics.failed(Failure::Internal);
        reply.result = server_failure::make(
            QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what())));
    }
    try {
        return wire::encodeReplyFrame(reply);
    } catch (const std::exception &e) {
        return wire::frame(faultReply(QStringLiteral("Resposta impossível de codificar: %1")
                                          .arg(QString::fromUtf8(e.what()))));
    }
}
