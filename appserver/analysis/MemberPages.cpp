#include "MemberPages.h"

#include "Database.h"
#include "DimensionColumns.h"
#include "MemberQueries.h"
#include "MethodFailure.h"
#include "PageRows.h"
#include "QueryDeadline.h"

Variant MemberPages::answer(const QString &table, const QString &key, const QString &attribute,
                            const QString &parent, const std::optional<QString> &parentKey,
                            const std::optional<QString> &after, int limit)
{
    const DimensionColumns columns(m_db, table, key, attribute, parent);
    if (!columns.verdict().isNull()) return columns.verdict();
    if (columns.isFlat() && parentKey)
        throw MethodFailure(QStringLiteral("Uma dimensão sem campo pai não tem membros filhos: "
                                           "peça a página sem membro pai (nulo)."));

    const MemberQueries sql(m_db.dialect(), columns.table(), columns.key(), columns.attribute(),
                            columns.parent());
    const MemberQueries::Level level = columns.isFlat() ? MemberQueries::Level::All
                                       : parentKey      ? MemberQueries::Level::Children
                                                        : MemberQueries::Level::Top;
    static const QStringList fields = {QStringLiteral("CDMEMBRO"), QStringLiteral("NMMEMBRO"),
                                       QStringLiteral("CDPAI"), QStringLiteral("QTFILHOS"),
                                       QStringLiteral("IDSITUACAO")};
    QVariantList values;
    // A value no member can hold (a non-number beside an integer key) asks for an empty page.
    if (parentKey) {
        const std::optional<QVariant> value = sql.parentValue(*parentKey);
        if (!value) return packet::toVariant(pagePacket(fields, {}));
        values << *value;
    }
    if (after) {
        const std::optional<QVariant> value = sql.keyValue(*after);
        if (!value)
            throw MethodFailure(QStringLiteral("A chave \"%1\" não é um número: a página "
                                               "seguinte não tem onde começar.")
                                    .arg(*after));
        values << *value;
    }
    values << limit;
    if (parentKey) values << values.front();
    QueryDeadline reads(m_db, m_limit);
    return packet::toVariant(
        pagePacket(fields, pageRows(reads, sql.page(level, after.has_value()), values, 5)));
}
