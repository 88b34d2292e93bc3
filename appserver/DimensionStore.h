#pragma once

#include "ChangeRules.h"
#include "DataPacket.h"

#include <optional>

class Database;

// The stored dimensions (table DIMENSAODIME): the queries the screen makes and the rules a
// save keeps: code in stored form and unique, name given and unique, S or N as the warehouse
// flag, no deletion (or change of code) of a dimension that still has extra attributes.
class DimensionStore : public ChangeRules
{
public:
    explicit DimensionStore(Database &db) : m_db(db) {}

    packet::Packet all();
    // Dimensions whose code equals the code or whose name equals the name; an empty argument
    // places no condition, both empty give every dimension. Ordered by code.
    packet::Packet find(const QString &code, const QString &name);
    // Applies a delta in one transaction and answers the complete list as it now stands.
    // user: who saves, for the audit trail.
    packet::Packet save(const packet::Packet &delta, const QString &user);

    QString describe(const packet::Row &row) const override;
    packet::Row storedForm(const packet::Row &row) const override;
    void beforeInsert(const packet::Row &newRow) override;
    void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) override;
    void beforeDelete(const packet::Row &oldRow) override;

private:
    void requireNewCode(const QString &code);
    // exceptCode: the record being changed, which may keep its own name.
    void requireNewName(const QString &name,
                        const std::optional<QString> &exceptCode = std::nullopt);
    void requireNoExtras(const QString &code, const QString &refusal);

    Database &m_db;
};
