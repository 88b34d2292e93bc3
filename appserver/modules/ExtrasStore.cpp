#include "ExtrasStore.h"

#include "AuditTrail.h"
#include "Database.h"
#include "DeltaApplier.h"
#include "DimensionCode.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "Transaction.h"

#include <QStringList>
#include <algorithm>

namespace {

enum Field { Code = 0, Attribute = 1, Name = 2 };

QString text(const packet::Row &row, int field)
{
    return row[field].value_or(QString());
}

const QString Order = QStringLiteral(" ORDER BY NRSEQUEDIME, CDATRIBEXTRDIME");

} // namespace

packet::Packet ExtrasStore::ofDimension(const QString &code)
{
    return m_db.select(TableLayout::extras().selectAll() +
                           QStringLiteral(" WHERE NRSEQUEDIME = ?") + Order,
                       {DimensionCode::queryForm(code)}, TableLayout::extras().fieldDefs());
}

packet::Packet ExtrasStore::clashes(const QString &code, const QString &field, const QString &name)
{
    QStringList conditions;
    QVariantList values{DimensionCode::queryForm(code)};
    if (!field.isEmpty()) {
        conditions << QStringLiteral("CDATRIBEXTRDIME = ?");
        values << field;
    }
    if (!name.isEmpty()) {
        conditions << QStringLiteral("DSATRIBEXTRDIME = ?");
        values << name;
    }
    if (conditions.isEmpty()) {
        packet::Packet empty;
        empty.fields = TableLayout::extras().fieldDefs();
        return empty;
    }
    return m_db.select(TableLayout::extras().selectAll() +
                           QStringLiteral(" WHERE NRSEQUEDIME = ? AND (") +
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
                           QStringLiteral(" WHERE NRSEQUEDIME IN (") +
                           marks.join(QStringLiteral(", ")) + QLatin1Char(')') + Order,
                       values, result.fields);
}

QString ExtrasStore::describe(const packet::Row &row) const
{
    return QStringLiteral("O atributo extra %1 da dimensão %2")
        .arg(text(row, Attribute), text(row, Code));
}

packet::Row ExtrasStore::storedForm(const packet::Row &row) const
{
    packet::Row stored = row;
    const QString code = storedCode(
        text(row, Code),
        QStringLiteral("Código de dimensão inválido no atributo extra: \"%1\". Nada foi gravado."));
    stored[Code] = code;
    if (text(row, Attribute).trimmed().isEmpty())
        throw MethodFailure(QStringLiteral("O atributo extra da dimensão %1 deve ser informado. "
                                           "Nada foi gravado.")
                                .arg(code));
    if (text(row, Name).trimmed().isEmpty())
        throw MethodFailure(QStringLiteral("O nome do atributo extra %1 da dimensão %2 deve ser "
                                           "informado. Nada foi gravado.")
                                .arg(text(row, Attribute), code));
    return stored;
}

void ExtrasStore::beforeInsert(const packet::Row &newRow)
{
    requireFreeKey(newRow);
    requireFreeName(newRow, nullptr);
    m_touched.insert(text(newRow, Code));
}

void ExtrasStore::beforeModify(const packet::Row &oldRow, const packet::Row &newRow)
{
    if (text(newRow, Code) != text(oldRow, Code) ||
        text(newRow, Attribute) != text(oldRow, Attribute))
        requireFreeKey(newRow);
    requireFreeName(newRow, &oldRow);
    m_touched.insert(text(oldRow, Code));
    m_touched.insert(text(newRow, Code));
}

void ExtrasStore::beforeDelete(const packet::Row &oldRow)
{
    m_touched.insert(text(oldRow, Code));
}

void ExtrasStore::requireFreeKey(const packet::Row &newRow)
{
    const QString code = text(newRow, Code);
    if (!m_db.exists(QStringLiteral("SELECT 1 FROM DIMENSAODIME WHERE NRSEQUEDIME = ?"), {code}))
        throw MethodFailure(QStringLiteral("A dimensão %1 não existe (pode ter sido excluída por "
                                           "outro usuário). Nada foi gravado.")
                                .arg(code));
    if (m_db.exists(QStringLiteral("SELECT 1 FROM ATRIBEXTRADIME WHERE NRSEQUEDIME = ? AND "
                                   "CDATRIBEXTRDIME = ?"),
                    {code, text(newRow, Attribute)}))
        throw MethodFailure(QStringLiteral("A dimensão %1 já possui o atributo extra %2. Nada foi "
                                           "gravado.")
                                .arg(code, text(newRow, Attribute)));
}

void ExtrasStore::requireFreeName(const packet::Row &newRow, const packet::Row *oldRow)
{
    QString sql = QStringLiteral("SELECT 1 FROM ATRIBEXTRADIME WHERE NRSEQUEDIME = ? AND "
                                 "DSATRIBEXTRDIME = ?");
    QVariantList values{text(newRow, Code), text(newRow, Name)};
    if (oldRow) {
        sql += QStringLiteral(" AND NOT (NRSEQUEDIME = ? AND CDATRIBEXTRDIME = ?)");
        values << text(*oldRow, Code) << text(*oldRow, Attribute);
    }
    if (m_db.exists(sql, values))
        throw MethodFailure(QStringLiteral("A dimensão %1 já possui um atributo extra com o nome "
                                           "\"%2\". Nada foi gravado.")
                                .arg(text(newRow, Code), text(newRow, Name)));
}
