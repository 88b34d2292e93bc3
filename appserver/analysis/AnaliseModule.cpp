#include "AnaliseModule.h"

#include "Database.h"
#include "DatabaseDeadlines.h"
#include "DimensionProfiler.h"
#include "MemberPages.h"
#include "MemberSearch.h"
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
    registry.addReading(QString::fromLatin1(Name), QStringLiteral("getPerfil"),
                 {table, key, attribute, parent}, [limit](Database &db, MethodCall &call) {
                     return DimensionProfiler(db, limit).answer(call.text(0), call.text(1),
                                                                call.text(2), call.text(3));
                 });

    // A member's key and a search text: wide enough for any key a dimension table holds.
    const Parameter parentKey{QStringLiteral("membro pai"), Kind::TextOrNull, 255};
    const Parameter after{QStringLiteral("depois de"), Kind::TextOrNull, 255};
    const Parameter text{QStringLiteral("texto"), Kind::Text, 255};
    const Parameter limitOf{QStringLiteral("limite"), Kind::Integer, 0, 1, MembersPerPage};
    registry.addReading(QString::fromLatin1(Name), QStringLiteral("getMembros"),
                 {table, key, attribute, parent, parentKey, after, limitOf},
                 [limit](Database &db, MethodCall &call) {
                     return MemberPages(db, limit).answer(call.text(0), call.text(1), call.text(2),
                                                          call.text(3), call.textOrNull(4),
                                                          call.textOrNull(5), int(call.integer(6)));
                 });
    registry.addReading(
        QString::fromLatin1(Name), QStringLiteral("procuraMembros"),
        {table, key, attribute, parent, text, limitOf}, [limit](Database &db, MethodCall &call) {
            return MemberSearch(db, limit).answer(call.text(0), call.text(1), call.text(2),
                                                  call.text(3), call.text(4), int(call.integer(5)));
        });
}
