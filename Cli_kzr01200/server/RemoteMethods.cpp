#include "RemoteMethods.h"

#include "DryRunJournal.h"

namespace remote {

Variant getDimensao(TNetConnection *connection, const QString &code, const QString &name)
{
    return connection->AppServer().Call(QStringLiteral("getDimensao"), {code, name});
}

Variant SetDimensao(TNetConnection *connection, const Variant &delta)
{
    return connection->AppServer().Call(QStringLiteral("SetDimensao"), {delta});
}

Variant GetExtras(TNetConnection *connection, const QString &code)
{
    return connection->AppServer().Call(QStringLiteral("GetExtras"), {code});
}

Variant setExtras(TNetConnection *connection, const Variant &delta)
{
    return connection->AppServer().Call(QStringLiteral("setExtras"), {delta});
}

Variant vdDimensao(TNetConnection *connection, const QString &table, Variant &fieldNames)
{
    return connection->AppServer().Call(QStringLiteral("vdDimensao"),
                                        {table, RemoteArg::ByRef(fieldNames)});
}

Variant vdExtras(TNetConnection *connection, const QString &code, const QString &field,
                 const QString &name)
{
    return connection->AppServer().Call(QStringLiteral("vdExtras"), {code, field, name});
}

Variant getHistorico(TNetConnection *connection, const QString &code)
{
    return connection->AppServer().Call(QStringLiteral("getHistorico"), {code});
}

Variant confirmaSimulacao(TNetConnection *connection, const Variant &saves)
{
    return connection->callModule(QLatin1String(DryRunJournal::Module),
                                  QLatin1String(DryRunJournal::ConfirmMethod), {saves});
}

Variant getFields(TNetConnection *connection, const QString &kind, const QString &table)
{
    return connection->AppServer().Call(QStringLiteral("getFields"), {kind, table});
}

} // namespace remote
