#pragma once

#include "DataPacket.h"

#include <QString>

// The rules of one table that a save must keep beyond matching the original values: stored
// forms, required values, uniqueness with clear messages, what may not be deleted. Rows are in
// the table layout's field order. Each check throws MethodFailure to refuse the whole save;
// the checks run against the database as the save's transaction sees it at that change.
class ChangeRules
{
public:
    virtual ~ChangeRules() = default;

    // "O registro de dimensão 00012": how messages name a stored record.
    virtual QString describe(const packet::Row &row) const = 0;
    // Brings a row to be stored into stored form (a code to five digits, changed names in
    // normal form). oldRow: the row as stored, null for an insert.
    virtual packet::Row storedForm(const packet::Row *oldRow, const packet::Row &row) const = 0;
    virtual void beforeInsert(const packet::Row &newRow) = 0;
    virtual void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) = 0;
    virtual void beforeDelete(const packet::Row &oldRow) = 0;
};
