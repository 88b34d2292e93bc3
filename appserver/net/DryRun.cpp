#include "DryRun.h"

#include "CallFault.h"
#include "ConnectionSession.h"
#include "Gatekeeper.h"
#include "MethodRegistry.h"
#include "Role.h"
#include "ServerFailure.h"
#include "SharedTransaction.h"

namespace {

bool isText(const Variant &v)
{
    return v.kind() == Variant::Kind::Text;
}

// [module, method, [args]]
bool isEntry(const Variant &v)
{
    return v.kind() == Variant::Kind::Array && v.items().size() == 3 && isText(v.items()[0]) &&
           isText(v.items()[1]) && v.items()[2].kind() == Variant::Kind::Array;
}

} // namespace

Variant DryRun::run(const wire::Request &request, Database &db, ConnectionSession &caller) const
{
    const QList<Variant> &args = request.args;
    if (request.method == QLatin1String("confirma")) return confirm(args, db, caller);
    const bool wellFormed = request.method == QLatin1String("executa") && args.size() == 4 &&
                            args[0].kind() == Variant::Kind::Array &&
                            isEntry(VarArrayOf({args[1], args[2], args[3]}));
    if (!wellFormed)
        throw CallFault(QStringLiteral("Simulação malformada: esperados o diário, o módulo, o "
                                       "método e os argumentos."));
    for (const Variant &entry : args[0].items())
        if (!isEntry(entry)) throw CallFault(QStringLiteral("Simulação com diário malformado."));

    const Variant entry = VarArrayOf({args[1], args[2], args[3]});
    QList<std::pair<int, Variant>> byRef;
    Variant reply;
    {
        SharedTransaction simulation(db);
        for (const Variant &earlier : args[0].items()) {
            const Variant again = call(earlier, db, caller, nullptr);
            // The data changed since that step went through: this call is answered with why.
            if (server_failure::is(again))
                return VarArrayOf({again, Variant::Null(), Variant::fromArray({})});
        }
        reply = call(entry, db, caller, &byRef);
    }
    const bool saved =
        !roles::allows(Role::ReadOnly, args[2].toString()) && !server_failure::is(reply);
    QList<Variant> written;
    for (const auto &[index, value] : byRef)
        written << VarArrayOf({Variant(qint64(index)), value});
    return VarArrayOf({reply, saved ? entry : Variant::Null(), Variant::fromArray(written)});
}

Variant DryRun::confirm(const QList<Variant> &args, Database &db, ConnectionSession &caller) const
{
    if (args.size() != 1 || args[0].kind() != Variant::Kind::Array)
        throw CallFault(QStringLiteral("Confirmação malformada: esperado o diário da simulação."));
    for (const Variant &entry : args[0].items())
        if (!isEntry(entry) || roles::allows(Role::ReadOnly, entry.items()[1].toString()))
            throw CallFault(QStringLiteral("Confirmação com diário malformado: só gravações "
                                           "podem ser confirmadas."));
    QList<Variant> replies;
    SharedTransaction saves(db);
    for (const Variant &entry : args[0].items()) {
        replies << call(entry, db, caller, nullptr);
        if (server_failure::is(replies.last())) return replies.last();
    }
    saves.commit();
    return Variant::fromArray(replies);
}

Variant DryRun::call(const Variant &entry, Database &db, ConnectionSession &caller,
                     QList<std::pair<int, Variant>> *byRef) const
{
    const QString module = entry.items()[0].toString(), method = entry.items()[1].toString();
    const MethodRegistry::Method *found = m_registry.find(module, method);
    if (!found)
        throw CallFault(QStringLiteral("O módulo %1 não tem o método \"%2\".").arg(module, method));
    if (std::optional<Variant> refusal = m_gatekeeper.refusal(method, caller, db)) return *refusal;
    MethodCall call(method, found->args, entry.items()[2].items());
    call.setCaller(caller.user);
    try {
        Variant result = found->handler(db, call);
        if (byRef) *byRef = call.byRef();
        return result;
    } catch (const CallFault &) {
        throw;
    } catch (const Exception &e) {
        return server_failure::make(e.Message()); // a refusal, as RequestHandler answers it
    }
}
