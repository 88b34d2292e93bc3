#pragma once

#include "ChangeRules.h"
#include "DataPacket.h"
#include "SaveCatalogue.h"

#include <memory>
#include <optional>

class Database;
class EncodedList;
class KeptList;

// The stored dimensions (table DIMENSAODIME): the queries the screen makes and the rules a
// save keeps: every rule of a dimension (DimensionRules, against the catalogue as the save's
// transaction sees it), and no deletion of a dimension that still has extra attributes.
class DimensionStore : public ChangeRules
{
public:
    // kept: the server's kept list of every dimension; without it every list is read.
    explicit DimensionStore(Database &db, KeptList *kept = nullptr)
        : m_db(db), m_kept(kept), m_catalogue(db)
    {
    }

    // Every dimension, encoded: the kept list when the table has not changed since.
    Variant all();
    // Dimensions whose code equals the code or whose name equals the name; an empty argument
    // places no condition, both empty give every dimension. Ordered by code.
    Variant find(const QString &code, const QString &name);
    // Applies a delta in one transaction and answers the complete list as it now stands.
    // user: who saves, for the audit trail.
    Variant save(const packet::Packet &delta, const QString &user);

    QString describe(const packet::Row &row) const override;
    packet::Row storedForm(const packet::Row *oldRow, const packet::Row &row) const override;
    void beforeInsert(const packet::Row &newRow) override;
    void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) override;
    void beforeDelete(const packet::Row &oldRow) override;

private:
    packet::Packet read(const QString &condition = QString(), const QVariantList &values = {});
    std::shared_ptr<const EncodedList> readEncoded();
    // The table's version; a version that cannot be read stops the keeping until the
    // database says again that it can be trusted.
    std::optional<qint64> version(bool forSave);
    // The kept list with this save's changes spliced in, when it showed the table as the save
    // found it and nothing else changed it; else null.
    std::shared_ptr<const EncodedList> patched(const packet::Packet &delta, qint64 before,
                                               qint64 after);
    // MethodFailure with the first rule the dimension breaks. oldRow: as stored, null for a
    // new one.
    void requireSound(const packet::Row *oldRow, const packet::Row &newRow);
    void requireNoExtras(const QString &code, const QString &refusal);

    Database &m_db;
    KeptList *m_kept;
    SaveCatalogue m_catalogue;
};
