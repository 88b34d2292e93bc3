#pragma once

#include "ChangeRules.h"
#include "DataPacket.h"
#include "SaveCatalogue.h"

#include <QSet>

class Database;

// The stored extra attributes (table ATRIBEXTRADIME): the queries the screen makes and the
// rules a save keeps: the dimension exists, and every rule of an extra (ExtraRules, against
// the catalogue as the save's transaction sees it).
class ExtrasStore : public ChangeRules
{
public:
    explicit ExtrasStore(Database &db) : m_db(db), m_catalogue(db) {}

    packet::Packet ofDimension(const QString &code);
    // The extras of a dimension that have the given field or the given name; an empty text
    // places no condition, and with both empty nothing can clash, so the answer is empty.
    packet::Packet clashes(const QString &code, const QString &field, const QString &name);
    // Applies a delta in one transaction; answers the extras of the dimensions it touched.
    // user: who saves, for the audit trail.
    packet::Packet save(const packet::Packet &delta, const QString &user);

    QString describe(const packet::Row &row) const override;
    packet::Row storedForm(const packet::Row *oldRow, const packet::Row &row) const override;
    void beforeInsert(const packet::Row &newRow) override;
    void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) override;
    void beforeDelete(const packet::Row &oldRow) override;

private:
    // MethodFailure with the first rule the extra breaks. oldRow: as stored, null for a new one.
    void requireSound(const packet::Row *oldRow, const packet::Row &newRow);
    packet::Packet touchedDimensions(); // every extra of the dimensions m_touched names

    Database &m_db;
    SaveCatalogue m_catalogue;
    QSet<QString> m_touched; // dimensions the current save changed
};
