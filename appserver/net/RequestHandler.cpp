#include "RequestHandler.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "Database.h"
#include "DryRun.h"
#include "Gatekeeper.h"
#include "MethodFailure.h"
#include "MethodRegistry.h"
#include "ServerFailure.h"
#include "WireProtocol.h"

#include <new>

QByteArray RequestHandler::faultReply(const QString &text)
{
    wire::Reply reply;
    reply.fault = text;
    return wire::encodeReply(reply);
}

QByteArray RequestHandler::handle(const QByteArray &requestItem, Database &db,
                                  ConnectionSession &caller) const
{
    wire::Request request;
    try {
        request = wire::decodeRequest(requestItem);
    } catch (const Exception &e) {
        return wire::frame(
            faultReply(QStringLiteral("Requisição malformada: %1").arg(e.Message())));
    }
    const bool sessionCall = request.module == QLatin1String(Gatekeeper::SessionModule);
    const bool dryRun = request.module == QLatin1String(DryRun::Module);
    const MethodRegistry::Method *method = m_registry.find(request.module, request.method);
    if (!method && !sessionCall && !dryRun) {
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
        } else {
            MethodCall call(request.method, method->args, request.args);
            call.setCaller(caller.user);
            reply.result = method->handler(db, call);
            reply.byRef = call.byRef();
        }
    } catch (const CallFault &e) {
        return wire::frame(faultReply(e.Message()));
    } catch (const Exception &e) {
        reply.result = server_failure::make(e.Message());
    } catch (const std::bad_alloc &) {
        reply.result = server_failure::make(
            QStringLiteral("Memória insuficiente no servidor para atender a chamada."));
    } catch (const std::exception &e) {
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
