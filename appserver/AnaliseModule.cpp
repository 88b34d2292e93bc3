#include "AnaliseModule.h"

#include "Database.h"
#include "DimensionProfiler.h"
#include "MethodRegistry.h"

void AnaliseModule::registerIn(MethodRegistry &registry)
{
    using Kind = Parameter::Kind;
    // The widths of the dimension's own columns, as in rdmDimensao.
    const Parameter table{QStringLiteral("tabela"), Kind::Text, 30};
    const Parameter key{QStringLiteral("chave"), Kind::Text, 30};
    const Parameter attribute{QStringLiteral("atributo"), Kind::Text, 30};
    const Parameter parent{QStringLiteral("pai"), Kind::Text, 30};
    registry.add(QString::fromLatin1(Name), QStringLiteral("getPerfil"),
                 {table, key, attribute, parent}, [](Database &db, MethodCall &call) {
                     return DimensionProfiler(db, TimeLimit)
                         .answer(call.text(0), call.text(1), call.text(2), call.text(3));
                 });
}
