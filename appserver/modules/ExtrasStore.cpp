#include "ExtrasStore.h"

#include "AuditTrail.h"
#include "Database.h"
#include "DeltaApplier.h"
#include "DimensionCode.h"
#include "DimensionFields.h"
#include "ExtraRules.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "Transaction.h"

#include <QStringList>
#include <algorithm>

namespace ef = extra_fields;

namespace {

enum Field { Code = 0, Attribute = 1, Name = 2 };

QString text(const packet::Row &row, int field)
{
    return row[field].value_or(QString());
}

ExtraRecord recordOf(const packet::Row &row)
{
    return ExtraRecord{text(row, Code), text(row, Attribute), text(row, Name)};
}

const QString Order = QStringLiteral(" ORDER BY %1, %2").arg(ef::Code, ef::Field);

} // namespace

packet::Packet ExtrasStore::ofDimension(const QString &code)
{
    return m_db.select(TableLayout::extras().selectAll() +
                           QStringLiteral(" WHERE %1 = ?").arg(ef::Code) + Order,
                       {DimensionCode::queryForm(code)}, TableLayout::extras().fieldDefs());
}

packet::Packet ExtrasStore::clashes(const QString &code, const QString &field, const QString &name)
{
    QStringList conditions;
    QVariantList values{DimensionCode::queryForm(code)};
    if (!field.isEmpty()) {
        conditions << ef::Field + QStringLiteral(" = ?");
        values << field;
    }
    if (!name.isEmpty()) {
        conditions << ef::Name + QStringLiteral(" = ?");
        values << name;
    }
    if (conditions.isEmpty()) {
        packet::Packet empty;
        empty.fields = TableLayout::extras().fieldDefs();
        return empty;
    }
    return m_db.select(TableLayout::extras().selectAll() +
                           QStringLiteral(" WHERE %1 = ? AND (").arg(ef::Code) +
                           conditions.join(QStringLiteral(" OR ")) + QLatin1Char(')') + Order,
                       values, TableLayout::extras().fieldDefs());
}

packet::Packet ExtrasStore::save(const packet::Packet &delta, const QString &user)
{
    m_touched.clear();
    Transaction transaction(m_db);
    AuditTrail audit(m_db, user);
    DeltaApplier(m_db, TableLayout::extras(), *this, audit).apply(delta);
    // The answer is read before the commit: once committed, nothing may fail the reply.
    packet::Packet answer = touchedDimensions();
    transaction.commit();
    return answer;
}

packet::Packet ExtrasStore::touchedDimensions()
{
    packet::Packet result;
    result.fields = TableLayout::extras().fieldDefs();
    if (m_touched.isEmpty()) return result;
    QStringList codes(m_touched.begin(), m_touched.end());
    std::sort(codes.begin(), codes.end());
    QStringList marks;
    QVariantList values;
    for (const QString &code : codes) {
        marks << QStringLiteral("?");
        values << code;
    }
    return m_db.select(TableLayout::extras().selectAll() +
                           QStringLiteral(" WHERE %1 IN (").arg(ef::Code) +
                           marks.join(QStringLiteral(", ")) + QLatin1Char(')') + Order,
                       values, result.fields);
}

QString ExtrasStore::describe(const packet::Row &row) const
{
    return QStringLiteral("O atributo extra %1 da dimensão %2")
        .arg(text(row, Attribute), text(row, Code));
}

packet::Row ExtrasStore::storedForm(const packet::Row *oldRow, const packet::Row &row) const
{
    const std::optional<ExtraRecord> stored = oldRow ? std::optional(recordOf(*oldRow)) : std::nullopt;
    const ExtraRecord extra = ExtraRules::storedForm(stored ? &*stored : nullptr, recordOf(row));
    packet::Row result = row;
    const QString values[] = {extra.code, extra.field, extra.name};
    for (int i = 0; i < result.size(); ++i)
        if (result[i] || !values[i].isEmpty()) result[i] = values[i];
    return result;
}

void ExtrasStore::beforeInsert(const packet::Row &newRow)
{
    requireSound(nullptr, newRow);
    m_touched.insert(text(newRow, Code));
}

void ExtrasStore::beforeModify(const packet::Row &oldRow, const packet::Row &newRow)
{
    requireSound(&oldRow, newRow);
    m_touched.insert(text(oldRow, Code));
    m_touched.insert(text(newRow, Code));
}

void ExtrasStore::beforeDelete(const packet::Row &oldRow)
{
    m_touched.insert(text(oldRow, Code));
}

void ExtrasStore::requireSound(const packet::Row *oldRow, const packet::Row &newRow)
{
    const std::optional<ExtraRecord> stored = oldRow ? std::optional(recordOf(*oldRow)) : std::nullopt;
    const ExtraRecord extra = recordOf(newRow);
    const std::optional<RuleBreach> broken =
        ExtraRules::check(stored ? &*stored : nullptr, extra, m_catalogue);
    if (broken)
        throw MethodFailure(broken->refusal(
            QStringLiteral("Atributo extra %1 da dimensão %2").arg(extra.field, extra.code)));
}
