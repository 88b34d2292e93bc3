#include "DeltaApplier.h"

#include "AuditTrail.h"
#include "CallFault.h"
#include "ChangeRules.h"
#include "Database.h"
#include "MethodFailure.h"
#include "TableLayout.h"
#include "TextRules.h"

#include <QStringList>

namespace {

QString conflictText(const QString &record)
{
    return QStringLiteral("%1 foi alterado ou excluído por outro usuário. Atualize os dados e "
                          "tente novamente.")
        .arg(record);
}

} // namespace

DeltaApplier::DeltaApplier(Database &db, const TableLayout &layout, ChangeRules &rules,
                           AuditTrail &audit)
    : m_db(db), m_layout(layout), m_rules(rules), m_audit(audit)
{
}

void DeltaApplier::apply(const packet::Packet &delta)
{
    m_source.clear();
    for (const TableLayout::Field &field : m_layout.fields()) {
        int found = -1;
        for (int i = 0; i < delta.fields.size(); ++i)
            if (delta.fields[i].name == field.name) found = i;
        if (found < 0)
            throw CallFault(
                QStringLiteral("O pacote de alterações não traz o campo %1 da tabela %2.")
                    .arg(field.name, m_layout.table()));
        m_source.push_back(found);
    }
    for (const packet::Change &change : delta.changes) {
        const bool needsOld = change.op != packet::ChangeOp::Insert;
        const bool needsNew = change.op != packet::ChangeOp::Delete;
        if ((needsOld && !change.oldRow) || (needsNew && !change.newRow))
            throw CallFault(
                QStringLiteral("Alteração incompleta no pacote de alterações da tabela %1.")
                    .arg(m_layout.table()));
        switch (change.op) {
        case packet::ChangeOp::Insert:
            insert(inLayoutOrder(*change.newRow));
            break;
        case packet::ChangeOp::Modify:
            modify(inLayoutOrder(*change.oldRow), inLayoutOrder(*change.newRow));
            break;
        case packet::ChangeOp::Delete:
            remove(inLayoutOrder(*change.oldRow));
            break;
        }
    }
}

packet::Row DeltaApplier::inLayoutOrder(const packet::Row &row) const
{
    packet::Row ordered(m_source.size());
    for (int i = 0; i < m_source.size(); ++i) {
        if (m_source[i] >= row.size())
            throw CallFault(
                QStringLiteral("Registro incompleto no pacote de alterações da tabela %1.")
                    .arg(m_layout.table()));
        ordered[i] = row[m_source[i]];
    }
    return ordered;
}

void DeltaApplier::checkWidths(const packet::Row &row) const
{
    for (int i = 0; i < row.size(); ++i) {
        const TableLayout::Field &field = m_layout.fields()[i];
        const qsizetype length = row[i] ? characterCount(*row[i]) : 0;
        if (length > field.width)
            throw CallFault(QStringLiteral("O valor do campo %1 tem %2 caracteres; o máximo é %3. "
                                           "Nada foi gravado.")
                                .arg(field.name)
                                .arg(length)
                                .arg(field.width));
    }
}

QString DeltaApplier::matchOriginal() const
{
    QStringList conditions;
    for (const TableLayout::Field &field : m_layout.fields())
        conditions << m_db.dialect().sameValue(field.name);
    return QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

QVariantList DeltaApplier::values(const packet::Row &row) const
{
    QVariantList result;
    result.reserve(row.size());
    for (const std::optional<QString> &value : row)
        result << (value ? QVariant(*value) : QVariant(QMetaType(QMetaType::QString)));
    return result;
}

void DeltaApplier::requireUnchanged(const packet::Row &oldRow)
{
    const QVector<QVariantList> count =
        m_db.rows(QStringLiteral("SELECT COUNT(*) FROM ") + m_layout.table() + matchOriginal(),
                  values(oldRow));
    requireOneRow(count.isEmpty() ? 0 : count.first().at(0).toInt(), oldRow);
}

void DeltaApplier::requireOneRow(int affected, const packet::Row &oldRow) const
{
    if (affected == 0) throw MethodFailure(conflictText(m_rules.describe(oldRow)));
    if (affected > 1)
        throw MethodFailure(QStringLiteral("%1 não é único na tabela %2; nada foi gravado.")
                                .arg(m_rules.describe(oldRow), m_layout.table()));
}

void DeltaApplier::insert(const packet::Row &newRow)
{
    checkWidths(newRow);
    const packet::Row stored = m_rules.storedForm(nullptr, newRow);
    m_rules.beforeInsert(stored);
    QStringList marks;
    for (int i = 0; i < stored.size(); ++i)
        marks << QStringLiteral("?");
    m_db.run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                 .arg(m_layout.table(), m_layout.columnList(), marks.join(QStringLiteral(", "))),
             values(stored));
    m_audit.record(m_layout, packet::ChangeOp::Insert, nullptr, &stored);
}

void DeltaApplier::modify(const packet::Row &oldRow, const packet::Row &newRow)
{
    requireUnchanged(oldRow);
    checkWidths(newRow);
    const packet::Row stored = m_rules.storedForm(&oldRow, newRow);
    m_rules.beforeModify(oldRow, stored);
    QStringList assignments;
    for (const TableLayout::Field &field : m_layout.fields())
        assignments << field.name + QStringLiteral(" = ?");
    QSqlQuery query =
        m_db.run(QStringLiteral("UPDATE ") + m_layout.table() + QStringLiteral(" SET ") +
                     assignments.join(QStringLiteral(", ")) + matchOriginal(),
                 values(stored) + values(oldRow));
    requireOneRow(query.numRowsAffected(), oldRow);
    m_audit.record(m_layout, packet::ChangeOp::Modify, &oldRow, &stored);
}

void DeltaApplier::remove(const packet::Row &oldRow)
{
    requireUnchanged(oldRow);
    m_rules.beforeDelete(oldRow);
    QSqlQuery query = m_db.run(QStringLiteral("DELETE FROM ") + m_layout.table() + matchOriginal(),
                               values(oldRow));
    requireOneRow(query.numRowsAffected(), oldRow);
    m_audit.record(m_layout, packet::ChangeOp::Delete, &oldRow, nullptr);
}
