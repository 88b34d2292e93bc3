#include "DimensionStore.h"

#include "AuditTrail.h"
#include "Database.h"
#include "DeltaApplier.h"
#include "DimensionCode.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "Transaction.h"

#include <QStringList>

namespace {

enum Field { Flag = 0, Code = 1, Name = 2 };

QString text(const packet::Row &row, int field)
{
    return row[field].value_or(QString());
}


} // namespace

packet::Packet DimensionStore::all()
{
    return m_db.select(TableLayout::dimensions().selectAll() + QStringLiteral(" ORDER BY NRSEQUEDIME"), {},
                       TableLayout::dimensions().fieldDefs());
}

packet::Packet DimensionStore::find(const QString &code, const QString &name)
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
    return m_db.select(TableLayout::dimensions().selectAll() + QStringLiteral(" WHERE ") +
                           conditions.join(QStringLiteral(" OR ")) +
                           QStringLiteral(" ORDER BY NRSEQUEDIME"),
                       values, TableLayout::dimensions().fieldDefs());
}

packet::Packet DimensionStore::save(const packet::Packet &delta, const QString &user)
{
    {
        Transaction transaction(m_db);
        AuditTrail audit(m_db, user);
        DeltaApplier(m_db, TableLayout::dimensions(), *this, audit).apply(delta);
        transaction.commit();
    }
    return all();
}

QString DimensionStore::describe(const packet::Row &row) const
{
    return QStringLiteral("O registro de dimensão %1").arg(text(row, Code));
}

packet::Row DimensionStore::storedForm(const packet::Row &row) const
{
    packet::Row stored = row;
    const std::optional<QString> code = DimensionCode::storedForm(text(row, Code));
    if (!code)
        throw MethodFailure(QStringLiteral("Código de dimensão inválido: \"%1\" (informe até cinco "
                                           "dígitos). Nada foi gravado.")
                                .arg(text(row, Code)));
    stored[Code] = *code;
    if (text(row, Name).trimmed().isEmpty())
        throw MethodFailure(
            QStringLiteral("O nome da dimensão %1 deve ser informado. Nada foi gravado.")
                .arg(*code));
    const QString flag = text(row, Flag);
    if (flag != QLatin1String("S") && flag != QLatin1String("N"))
        throw MethodFailure(QStringLiteral("O indicador IDDIMENSAODW da dimensão %1 deve ser \"S\" "
                                           "ou \"N\", não \"%2\". Nada foi gravado.")
                                .arg(*code, flag));
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
            : m_db.exists(QStringLiteral("SELECT 1 FROM DIMENSAODIME WHERE NMITEMDIME = ?"), {name});
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
