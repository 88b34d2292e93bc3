#include "DimensionStore.h"

#include "AuditTrail.h"
#include "Catalogue.h"
#include "Database.h"
#include "DeltaApplier.h"
#include "DimensionCode.h"
#include "EncodedList.h"
#include "Exceptions.h"
#include "KeptList.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "TableVersion.h"
#include "Transaction.h"

#include <QStringList>

namespace {

enum Field { Flag = 0, Code = 1, Name = 2, Table = 3 };

// Past this many changed codes a save reads the whole list rather than each row by its code.
constexpr int MaxSplicedCodes = 64;

QString text(const packet::Row &row, int field)
{
    return row[field].value_or(QString());
}

} // namespace

packet::Packet DimensionStore::read(const QString &condition, const QVariantList &values)
{
    return m_db.select(TableLayout::dimensions().selectAll() + condition +
                           QStringLiteral(" ORDER BY NRSEQUEDIME"),
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
        conditions << QStringLiteral("NRSEQUEDIME = ?");
        values << DimensionCode::queryForm(code);
    }
    if (!name.isEmpty()) {
        conditions << QStringLiteral("NMITEMDIME = ?");
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
        if (delta.fields[i].name == QLatin1String("NRSEQUEDIME")) codeField = i;
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
        rows += read(QStringLiteral(" WHERE NRSEQUEDIME = ?"), {code}).rows;
    std::optional<EncodedList> spliced = kept->spliced(codes, rows);
    if (!spliced) return nullptr;
    return std::make_shared<const EncodedList>(std::move(*spliced));
}

QString DimensionStore::describe(const packet::Row &row) const
{
    return QStringLiteral("O registro de dimensão %1").arg(text(row, Code));
}

packet::Row DimensionStore::storedForm(const packet::Row &row) const
{
    packet::Row stored = row;
    const QString code = storedCode(text(row, Code),
                                    QStringLiteral("Código de dimensão inválido: \"%1\" (informe "
                                                   "até cinco dígitos). Nada foi gravado."));
    stored[Code] = code;
    if (text(row, Name).trimmed().isEmpty())
        throw MethodFailure(
            QStringLiteral("O nome da dimensão %1 deve ser informado. Nada foi gravado.")
                .arg(code));
    const QString flag = text(row, Flag);
    if (flag != QLatin1String("S") && flag != QLatin1String("N"))
        throw MethodFailure(QStringLiteral("O indicador IDDIMENSAODW da dimensão %1 deve ser \"S\" "
                                           "ou \"N\", não \"%2\". Nada foi gravado.")
                                .arg(code, flag));
    // A dimension over the server's own tables would show their contents to anyone who may
    // look: saved as for a table that does not exist, it is refused.
    if (Catalogue::isServerTable(text(row, Table).trimmed()))
        throw MethodFailure(
            QStringLiteral("A tabela \"%1\" não existe no banco de dados. Nada foi gravado.")
                .arg(text(row, Table)));
    return stored;
}

void DimensionStore::beforeInsert(const packet::Row &newRow)
{
    requireNewCode(text(newRow, Code));
    requireNewName(text(newRow, Name));
}

void DimensionStore::beforeModify(const packet::Row &oldRow, const packet::Row &newRow)
{
    const QString oldCode = text(oldRow, Code);
    const QString newCode = text(newRow, Code);
    if (newCode != oldCode) {
        requireNoExtras(oldCode,
                        QStringLiteral("O código da dimensão %1 não pode ser alterado porque "
                                       "ela possui atributos extras."));
        requireNewCode(newCode);
    }
    if (text(newRow, Name) != text(oldRow, Name)) requireNewName(text(newRow, Name), oldCode);
}

void DimensionStore::beforeDelete(const packet::Row &oldRow)
{
    requireNoExtras(text(oldRow, Code),
                    QStringLiteral("A dimensão %1 possui atributos extras e não pode ser excluída. "
                                   "Exclua antes os atributos extras."));
}

void DimensionStore::requireNewCode(const QString &code)
{
    if (m_db.exists(QStringLiteral("SELECT 1 FROM DIMENSAODIME WHERE NRSEQUEDIME = ?"), {code}))
        throw MethodFailure(
            QStringLiteral("Já existe uma dimensão com o código %1. Nada foi gravado.").arg(code));
}

void DimensionStore::requireNewName(const QString &name, const std::optional<QString> &exceptCode)
{
    const bool taken =
        exceptCode
            ? m_db.exists(QStringLiteral("SELECT 1 FROM DIMENSAODIME WHERE NMITEMDIME = ? AND "
                                         "NRSEQUEDIME <> ?"),
                          {name, *exceptCode})
            : m_db.exists(QStringLiteral("SELECT 1 FROM DIMENSAODIME WHERE NMITEMDIME = ?"),
                          {name});
    if (taken)
        throw MethodFailure(
            QStringLiteral("Já existe uma dimensão com o nome \"%1\". Nada foi gravado.")
                .arg(name));
}

void DimensionStore::requireNoExtras(const QString &code, const QString &refusal)
{
    if (m_db.exists(QStringLiteral("SELECT 1 FROM ATRIBEXTRADIME WHERE NRSEQUEDIME = ?"), {code}))
        throw MethodFailure(refusal.arg(code) + QStringLiteral(" Nada foi gravado."));
}
