#include "DimensaoModule.h"

#include "Database.h"
#include "DimensionHistory.h"
#include "DimensionStore.h"
#include "ExtrasStore.h"
#include "KeptList.h"
#include "MethodRegistry.h"
#include "StructureCheck.h"
#include "TableLayout.h"

#include <memory>

namespace {

using Kind = Parameter::Kind;

// Argument widths are those of the columns the texts are compared with.
const Parameter CodeArg{QStringLiteral("código"), Kind::Text, 5};
const Parameter NameArg{QStringLiteral("nome"), Kind::Text, 30};
const Parameter TableArg{QStringLiteral("tabela"), Kind::Text, 30};
const Parameter FieldArg{QStringLiteral("campo"), Kind::Text, 30};
const Parameter FieldNamesArg{QStringLiteral("campos"), Kind::NameList, 30};
const Parameter DeltaArg{QStringLiteral("alterações"), Kind::ChangePacket, 0};

} // namespace

void DimensaoModule::registerIn(MethodRegistry &registry)
{
    const QString module = QString::fromLatin1(Name);
    // The complete list of dimensions, kept ready between calls by every worker of this server.
    auto dimensions = std::make_shared<KeptList>(TableLayout::dimensions().table());
    registry.addReading(module, QStringLiteral("getDimensao"), {CodeArg, NameArg},
                 [dimensions](Database &db, MethodCall &call) {
                     return DimensionStore(db, dimensions.get()).find(call.text(0), call.text(1));
                 });
    registry.add(
        module, QStringLiteral("SetDimensao"), {DeltaArg},
        [dimensions](Database &db, MethodCall &call) {
            return DimensionStore(db, dimensions.get()).save(call.changes(0), call.caller());
        });
    registry.addReading(module, QStringLiteral("GetExtras"), {CodeArg},
                 [](Database &db, MethodCall &call) {
                     return packet::toVariant(ExtrasStore(db).ofDimension(call.text(0)));
                 });
    registry.add(module, QStringLiteral("setExtras"), {DeltaArg},
                 [](Database &db, MethodCall &call) {
                     return packet::toVariant(ExtrasStore(db).save(call.changes(0), call.caller()));
                 });
    registry.addReading(module, QStringLiteral("vdDimensao"), {TableArg, FieldNamesArg},
                 [](Database &db, MethodCall &call) {
                     QStringList names = call.names(1);
                     Variant verdict = StructureCheck(db).verify(call.text(0), names);
                     QList<Variant> written;
                     for (const QString &name : names)
                         written << Variant(name);
                     call.writeBack(1, Variant::fromArray(written));
                     return verdict;
                 });
    registry.addReading(module, QStringLiteral("vdExtras"), {CodeArg, FieldArg, NameArg},
                 [](Database &db, MethodCall &call) {
                     return packet::toVariant(
                         ExtrasStore(db).clashes(call.text(0), call.text(1), call.text(2)));
                 });
    registry.addReading(module, QStringLiteral("getHistorico"), {CodeArg},
                 [](Database &db, MethodCall &call) {
                     return packet::toVariant(DimensionHistory(db).of(call.text(0)));
                 });
}
