#include "ServerCalls.h"

#include "ApiExchange.h"
#include "ConnectionSession.h"
#include "Gatekeeper.h"
#include "RequestHandler.h"
#include "ServerFailure.h"
#include "WireProtocol.h"

namespace {

// Texts of the server's refusals and what each means in HTTP; anything else a save refuses is
// a request the rules do not accept (400).
struct Meaning
{
    const char *part;
    int status;
};
constexpr Meaning Meanings[] = {
    {"tem permissão somente de leitura", 403},
    {"alterado ou excluído por outro usuário", 412},
    {"Já existe uma dimensão", 409},
    {"já cadastrad", 409},
    {"já possui", 409},
    {"possui atributos extras", 409},
    {"não existe (pode ter sido excluída", 404},
    {"não respondeu em", 503},
    {"Análise interrompida", 503},
    {"Erro no banco de dados", 503},
    {"Memória insuficiente", 503},
};

} // namespace

int ServerCalls::statusOf(const Variant &failure)
{
    if (server_failure::isSessionEnded(failure)) return 401;
    const QString text = server_failure::message(failure);
    for (const Meaning &meaning : Meanings)
        if (text.contains(QString::fromUtf8(meaning.part))) return meaning.status;
    return 400;
}

void ServerCalls::resume(const QString &token)
{
    if (token.isEmpty())
        throw ApiProblem(401, QStringLiteral("É necessário entrar com usuário e senha: informe "
                                             "\"Authorization: Bearer <token>\"."));
    // A keep-alive connection that resumed this session already is in it, as a connection of
    // the clients' port stays in its session between calls; its user was confirmed then.
    if (m_caller.token == token) return;
    call(Gatekeeper::SessionModule, QStringLiteral("resume"), {Variant(token)});
}

Variant ServerCalls::call(const char *module, const QString &method, const QList<Variant> &args)
{
    Variant result = callKeepingFailure(module, method, args);
    if (server_failure::is(result))
        throw ApiProblem(statusOf(result), server_failure::message(result));
    return result;
}

Variant ServerCalls::callKeepingFailure(const char *module, const QString &method,
                                        const QList<Variant> &args)
{
    const wire::Request request{QString::fromLatin1(module), method, args};
    const QByteArray frame = m_handler.handle(wire::encodeRequest(request), m_db, m_caller);
    wire::Reply reply = wire::decodeReply(frame.mid(4));
    if (reply.fault) throw ApiProblem(400, *reply.fault);
    return reply.result;
}
