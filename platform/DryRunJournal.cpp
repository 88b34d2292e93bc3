#include "DryRunJournal.h"

#include "Exceptions.h"
#include "ServerFailure.h"
#include "TNetConnection.h"

QList<RemoteArg> DryRunJournal::wrap(const QString &module, const QString &method,
                                     const QList<RemoteArg> &args) const
{
    QList<Variant> values;
    for (const RemoteArg &arg : args)
        values << arg.value();
    return {RemoteArg(Variant::fromArray(m_saves)), RemoteArg(module), RemoteArg(method),
            RemoteArg(Variant::fromArray(values))};
}

Variant DryRunJournal::unwrap(const Variant &reply, const QList<RemoteArg> &args)
{
    // A session or server failure of the wrapped call is the call's own answer.
    if (server_failure::is(reply)) return reply;
    const bool wellFormed = reply.kind() == Variant::Kind::Array && reply.items().size() == 3 &&
                            reply.items()[2].kind() == Variant::Kind::Array;
    if (!wellFormed)
        throw EConnectionError(QStringLiteral("Resposta inesperada do servidor na simulação."));
    const QList<Variant> &parts = reply.items();
    if (!parts[1].isNull()) m_saves << parts[1];
    for (const Variant &written : parts[2].items()) {
        if (written.kind() != Variant::Kind::Array || written.items().size() != 2) continue;
        const qint64 index = written.items()[0].toInteger();
        if (index >= 0 && index < args.size() && args[int(index)].ref())
            *args[int(index)].ref() = written.items()[1];
    }
    return parts[0];
}
