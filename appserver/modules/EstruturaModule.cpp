#include "EstruturaModule.h"

#include "CallFault.h"
#include "Database.h"
#include "MethodRegistry.h"
#include "StructureCheck.h"

void EstruturaModule::registerIn(MethodRegistry &registry)
{
    const Parameter kind{QStringLiteral("tipo"), Parameter::Kind::Text, 1};
    const Parameter table{QStringLiteral("tabela"), Parameter::Kind::Text, 30};
    registry.addReading(QString::fromLatin1(Name), QStringLiteral("getFields"), {kind, table},
                 [](Database &db, MethodCall &call) {
                     // "D": the fields a dimension may use; no other kind is offered.
                     if (call.text(0) != QLatin1String("D"))
                         throw CallFault(
                             QStringLiteral("getFields: tipo \"%1\" desconhecido; o único "
                                            "tipo oferecido é \"D\".")
                                 .arg(call.text(0)));
                     return packet::toVariant(StructureCheck(db).dimensionFields(call.text(1)));
                 });
}
