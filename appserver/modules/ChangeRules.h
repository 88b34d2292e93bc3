#pragma once

#include "DataPacket.h"
#include "DimensionCode.h"
#include "MethodFailure.h"

#include <QString>

// The rules of one table that a save must keep beyond matching the original values: stored
// forms, required values, uniqueness with clear messages, what may not be deleted. Rows are in
// the table layout's field order. Each check throws MethodFailure to refuse the whole save.
class ChangeRules
{
public:
    virtual ~ChangeRules() = default;

    // "O registro de dimensão 00012": how messages name a stored record.
    virtual QString describe(const packet::Row &row) const = 0;
    // Brings a row to be stored into stored form (a code to five digits), refusing what is
    // not acceptable.
    virtual packet::Row storedForm(const packet::Row &row) const = 0;
    virtual void beforeInsert(const packet::Row &newRow) = 0;
    virtual void beforeModify(const packet::Row &oldRow, const packet::Row &newRow) = 0;
    virtual void beforeDelete(const packet::Row &oldRow) = 0;

protected:
    // A dimension code in its stored form; MethodFailure with refusal, its %1 the code as
    // given, when it has none.
    static QString storedCode(const QString &code, const QString &refusal)
    {
        const std::optional<QString> stored = DimensionCode::storedForm(code);
        if (!stored) throw MethodFailure(refusal.arg(code));
        return *stored;
    }
};
