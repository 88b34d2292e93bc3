#include "AnaliseModule.h"

#include "Database.h"
#include "DatabaseDeadlines.h"
#include "DimensionProfiler.h"
#include "MethodRegistry.h"

#include <algorithm>

std::chrono::milliseconds AnaliseModule::timeLimit(const DatabaseDeadlines &deadlines)
{
    constexpr std::chrono::milliseconds Longest{20000};
    const std::chrono::milliseconds statement{deadlines.statementTimeoutMs};
    return statement.count() > 0 ? std::min(statement, Longest) : Longest;
}

void AnaliseModule::registerIn(MethodRegistry &registry, const DatabaseDeadlines &deadlines)
{
    const std::chrono::milliseconds limit = timeLimit(deadlines);
    using Kind = Parameter::Kind;
    // The widths of the dimension's own columns, as in rdmDimensao.
    const Parameter table{QStringLiteral("tabela"), Kind::Text, 30};
    const Parameter key{QStringLiteral("chave"), Kind::Text, 30};
    const Parameter attribute{QStringLiteral("atributo"), Kind::Text, 30};
    const Parameter parent{QStringLiteral("pai"), Kind::Text, 30};
    registry.add(QString::fromLatin1(Name), QStringLiteral("getPerfil"),
                 {table, key, attribute, parent}, [limit](Database &db, MethodCall &call) {
                     return DimensionProfiler(db, limit).answer(call.text(0), call.text(1),
                                                                call.text(2), call.text(3));
                 });
}
