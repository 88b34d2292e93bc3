#pragma once

#include "TNetConnection.h"

// The remote methods the screen calls, with their arguments in order and of their kinds.
// Each fetches the connection's application-server object afresh and gives the raw reply.
namespace remote {

// "KZR01200.rdmDimensao"
Variant getDimensao(TNetConnection *connection, const QString &code, const QString &name);
Variant SetDimensao(TNetConnection *connection, const Variant &delta);
Variant GetExtras(TNetConnection *connection, const QString &code);
Variant setExtras(TNetConnection *connection, const Variant &delta);
// The name list goes by reference: the server may write into it.
Variant vdDimensao(TNetConnection *connection, const QString &table, Variant &fieldNames);
Variant vdExtras(TNetConnection *connection, const QString &code, const QString &field,
                 const QString &name);
Variant getHistorico(TNetConnection *connection, const QString &code);

// "KZR.Simulacao": the saves of a dry run (DryRunJournal::saves) made for real, in one
// transaction.
Variant confirmaSimulacao(TNetConnection *connection, const Variant &saves);

// "KZR00600.rdmEstrutura"
Variant getFields(TNetConnection *connection, const QString &kind, const QString &table);

} // namespace remote
