#include "DimensionStore.h"

#include "AuditTrail.h"
#include "Database.h"
#include "DeltaApplier.h"
#include "DimensionCode.h"
#include "DimensionFields.h"
#include "DimensionRules.h"
#include "EncodedList.h"
#include "Exceptions.h"
#include "KeptList.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "TableVersion.h"
#include "Transaction.h"

#include <QStringList>

namespace df = dimension_fields;

namespace {

enum Field { Code = 1 };

// Past this many changed codes a save reads the whole list rather than each row by its code.
constexpr int MaxSplicedCodes = 64;

QString text(const packet::Row &row, int field)
{
    return row[field].value_or(QString());
}

// Rows are in the table layout's order, which is the record's.
DimensionRecord recordOf(const packet::Row &row)
{
    return DimensionRecord{text(row, 0), text(row, 1), text(row, 2), text(row, 3),
                           text(row, 4), text(row, 5), text(row, 6)};
}

// The record's values back into the row; a null stays null unless a value was made of it.
packet::Row rowOf(const DimensionRecord &record, const packet::Row &row)
{
    const QString values[] = {record.flag, record.code,      record.name,  record.table,
                              record.key,  record.attribute, record.parent};
    packet::Row result = row;
    for (int i = 0; i < result.size(); ++i)
        if (result[i] || !values[i].isEmpty()) result[i] = values[i];
    return result;
}

} // namespace

packet::Packet DimensionStore::read(const QString &condition, const QVariantList &values)
{
    return m_db.select(TableLayout::dimensions().selectAll() + condition +
                           QStringLiteral(" ORDER BY ") + df::Code,
                       values, TableLayout::dimensions().fieldDefs());
}

std::shared_ptr<const EncodedList> DimensionStore::readEncoded()
{
    return std::make_shared<const EncodedList>(TableLayout::dimensions().fieldDefs(), read().rows,
                                               Code);
}

std::optional<qint64> DimensionStore::version(bool forSave)
{
    std::optional<qint64> number;
    try {
        number = TableVersion::read(m_db, m_kept->table(), forSave);
    } catch (const Exception &) {
        m_kept->forget();
        throw;
    }
    if (!number) m_kept->forget();
    return number;
}

Variant DimensionStore::all()
{
    if (!m_kept || !m_kept->usable(m_db)) return packet::toVariant(read());
    const std::optional<qint64> before = version(false);
    if (!before) return packet::toVariant(read());
    if (std::shared_ptr<const EncodedList> kept = m_kept->at(*before))
        return Variant::fromBytes(kept->bytes());
    std::shared_ptr<const EncodedList> list = readEncoded();
    // Kept only when no change committed while it was read: it shows exactly that version.
    if (version(false) == before) m_kept->keep(*before, list);
    return Variant::fromBytes(list->bytes());
}

Variant DimensionStore::find(const QString &code, const QString &name)
{
    QStringList conditions;
    QVariantList values;
    if (!code.isEmpty()) {
        conditions << df::Code + QStringLiteral(" = ?");
        values << DimensionCode::queryForm(code);
    }
    if (!name.isEmpty()) {
        conditions << df::Name + QStringLiteral(" = ?");
        values << name;
    }
    if (conditions.isEmpty()) return all();
    return packet::toVariant(
        read(QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" OR ")), values));
}

Variant DimensionStore::save(const packet::Packet &delta, const QString &user)
{
    const bool watched = m_kept && m_kept->usable(m_db);
    std::shared_ptr<const EncodedList> saved;
    qint64 savedVersion = 0;
    Variant answer;
    {
        Transaction transaction(m_db);
        // Read before any change, and on PostgreSQL locked: between this number and the one
        // after, only this save's changes can lie.
        const std::optional<qint64> before = watched ? version(true) : std::nullopt;
        AuditTrail audit(m_db, user);
        DeltaApplier(m_db, TableLayout::dimensions(), *this, audit).apply(delta);
        if (before) {
            if (const std::optional<qint64> after = version(false)) {
                savedVersion = *after;
                saved = patched(delta, *before, *after);
                if (!saved) saved = readEncoded();
            }
        }
        // The answer is read before the commit: once committed, nothing may fail the reply.
        answer = saved ? Variant::fromBytes(saved->bytes()) : packet::toVariant(read());
        transaction.commit();
    }
    if (saved) m_kept->keep(savedVersion, saved);
    return answer;
}

std::shared_ptr<const EncodedList> DimensionStore::patched(const packet::Packet &delta,
                                                           qint64 before, qint64 after)
{
    // Each change of a save is one statement touching one row: one count on either system.
    // Anything else (another trigger, a cascade) is not this save's alone: read it all.
    const auto [keptVersion, kept] = m_kept->current();
    if (!kept || !kept->spliceable() || keptVersion != before ||
        after - before != delta.changes.size())
        return nullptr;
    int codeField = -1;
    for (int i = 0; i < delta.fields.size(); ++i)
        if (delta.fields[i].name == df::Code) codeField = i;
    if (codeField < 0) return nullptr;
    QStringList codes;
    for (const packet::Change &change : delta.changes) {
        if (change.oldRow) codes << change.oldRow->value(codeField).value_or(QString());
        if (change.newRow)
            codes << DimensionCode::storedForm(change.newRow->value(codeField).value_or(QString()))
                         .value_or(QString());
    }
    codes.removeDuplicates();
    if (codes.size() > MaxSplicedCodes) return nullptr;
    QVector<packet::Row> rows;
    for (const QString &code : codes)
        rows += read(QStringLiteral(" WHERE %1 = ?").arg(df::Code), {code}).rows;
    std::optional<EncodedList> spliced = kept->spliced(codes, rows);
    if (!spliced) return nullptr;
    return std::make_shared<const EncodedList>(std::move(*spliced));
}

QString DimensionStore::describe(const packet::Row &row) const
{
    return QStringLiteral("O registro de dimensão %1").arg(text(row, Code));
}

packet::Row DimensionStore::storedForm(const packet::Row *oldRow, const packet::Row &row) const
{
    const std::optional<DimensionRecord> stored =
        oldRow ? std::optional(recordOf(*oldRow)) : std::nullopt;
    return rowOf(DimensionRules::storedForm(stored ? &*stored : nullptr, recordOf(row)), row);
}

void DimensionStore::beforeInsert(const packet::Row &newRow)
{
    requireSound(nullptr, newRow);
}

void DimensionStore::beforeModify(const packet::Row &oldRow, const packet::Row &newRow)
{
    requireSound(&oldRow, newRow);
}

void DimensionStore::beforeDelete(const packet::Row &oldRow)
{
    requireNoExtras(text(oldRow, Code),
                    QStringLiteral("A dimensão %1 possui atributos extras e não pode ser excluída. "
                                   "Exclua antes os atributos extras."));
}

void DimensionStore::requireSound(const packet::Row *oldRow, const packet::Row &newRow)
{
    const std::optional<DimensionRecord> stored =
        oldRow ? std::optional(recordOf(*oldRow)) : std::nullopt;
    const DimensionRecord dimension = recordOf(newRow);
    const std::optional<RuleBreach> broken =
        DimensionRules::check(stored ? &*stored : nullptr, dimension, m_catalogue);
    if (!broken) return;
    const QString code = dimension.code.isEmpty() && stored ? stored->code : dimension.code;
    throw MethodFailure(broken->refusal(QStringLiteral("Dimensão %1").arg(code).trimmed()));
}

void DimensionStore::requireNoExtras(const QString &code, const QString &refusal)
{
    if (m_catalogue.hasExtras(code))
        throw MethodFailure(refusal.arg(code) + QStringLiteral(" Nada foi gravado."));
}
