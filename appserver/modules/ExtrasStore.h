#pragma once

#include "ChangeRules.h"
#include "DataPacket.h"

#include <QSet>

class Database;

// The stored extra attributes (table ATRIBEXTRADIME): the queries the screen makes and the
// rules a save keeps: the dimension exists, field and name are given, and each is unique
// within its dimension.
class ExtrasStore : public ChangeRules
{
public:
    explicit ExtrasStore(Database &db) : m_db(db) {}

    packet::Packet ofDimension(const QString &code);
    // The extras of a dimension that have the given field or the given name; an empty text
    // places no condition, and with both empty nothing can clash, so the answer is empty.
    packet::Packet clashes(const QString &code, const QString &field, const QString &name);
    // Applies a delta in one transaction; answers the extras of the dimensions it touched.
    // user: who saves, for the audit trail.
    packet::Packet save(const packet::Packet &delta, const QString &user);

    QString describe(const packet::Row &row) const override;
    packet::Row storedForm(const packet::Row &row) const override;
    void beforeInsert(const packet::Row &newRow) override;
    void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) override;
    void beforeDelete(const packet::Row &oldRow) override;

private:
    void requireFreeKey(const packet::Row &newRow);
    // The record (oldRow) being changed may keep its own name; none for an insert.
    void requireFreeName(const packet::Row &newRow, const packet::Row *oldRow);
    packet::Packet touchedDimensions(); // every extra of the dimensions m_touched names

    Database &m_db;
    QSet<QString> m_touched; // dimensions the current save changed
};
