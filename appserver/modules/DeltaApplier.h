#pragma once

#include "DataPacket.h"

#include <QVariantList>
#include <QVector>

class AuditTrail;
class ChangeRules;
class Database;
class TableLayout;

// Applies the changes of a delta to one table, in their order, inside the caller's
// transaction. A modification or deletion must find the stored record with every value it had
// when it was read: a record that someone else changed or deleted meanwhile refuses the save.
class DeltaApplier
{
public:
    // Every change applied is also written to the audit trail, in the same transaction.
    DeltaApplier(Database &db, const TableLayout &layout, ChangeRules &rules, AuditTrail &audit);

    // CallFault when the delta does not carry the table's fields or a value is longer than its
    // column; MethodFailure when a rule refuses the save.
    void apply(const packet::Packet &delta);

private:
    packet::Row inLayoutOrder(const packet::Row &row) const;
    void checkWidths(const packet::Row &row) const;
    QString matchOriginal() const; // "WHERE A IS ? AND B IS ? ..."
    QVariantList values(const packet::Row &row) const;
    void requireUnchanged(const packet::Row &oldRow);
    void insert(const packet::Row &newRow);
    void modify(const packet::Row &oldRow, const packet::Row &newRow);
    void remove(const packet::Row &oldRow);
    void requireOneRow(int affected, const packet::Row &oldRow) const;

    Database &m_db;
    const TableLayout &m_layout;
    ChangeRules &m_rules;
    AuditTrail &m_audit;
    QVector<int> m_source; // layout field -> index in the delta's rows
};
