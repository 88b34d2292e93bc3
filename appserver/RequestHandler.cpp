#include "RequestHandler.h"

#include "CallFault.h"
#include "Database.h"
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

QByteArray RequestHandler::handle(const QByteArray &requestItem, Database &db) const
{
    wire::Request request;
    try {
        request = wire::decodeRequest(requestItem);
    } catch (const Exception &e) {
        return faultReply(QStringLiteral("Requisição malformada: %1").arg(e.Message()));
    }
    const MethodRegistry::Method *method = m_registry.find(request.module, request.method);
    if (!method) {
        return faultReply(m_registry.hasModule(request.module)
                              ? QStringLiteral("O módulo %1 não tem o método \"%2\".")
                                    .arg(request.module, request.method)
                              : QStringLiteral("Módulo desconhecido: \"%1\".").arg(request.module));
    }
    wire::Reply reply;
    try {
        MethodCall call(request.method, method->args, request.args);
        reply.result = method->handler(db, call);
        reply.byRef = call.byRef();
    } catch (const CallFault &e) {
        return faultReply(e.Message());
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
        return wire::encodeReply(reply);
    } catch (const std::exception &e) {
        return faultReply(QStringLiteral("Resposta impossível de codificar: %1")
                              .arg(QString::fromUtf8(e.what())));
    }
}
