#pragma once

#include "DimensionCatalogue.h"
#include "DimensionRecord.h"
#include "RuleBreach.h"

#include <optional>

// Every rule of an extra attribute, asked one by one by the screen and all at once, in the
// screen's order, by a save (check()).
class ExtraRules
{
public:
    // Name given (NM_ATRIB_DEVE), then field given (CD_ATRIB_DEVE).
    static std::optional<RuleBreach> required(const ExtraRecord &extra);
    // The field is none of the dimension's own fields: key, main attribute, self-relationship
    // (CAMPO_IGUAL). withBlankParent: compare with a blank self-relationship too.
    static std::optional<RuleBreach> apartFromDimension(const ExtraRecord &extra,
                                                        const DimensionRecord &dimension,
                                                        bool withBlankParent);
    static RuleBreach fieldTaken(); // CD_ATRIB_JA
    static RuleBreach nameTaken();  // NM_ATRIB_JA

    // The form in which a save stores an extra: the code in its stored form; field and name
    // as sent (the screen sends a field it changed in normal form). stored: as it is stored,
    // null for a new one.
    static ExtraRecord storedForm(const ExtraRecord *stored, ExtraRecord extra);
    // Every rule of an extra in stored form, in the screen's order, against its dimension as
    // stored; the first broken one.
    static std::optional<RuleBreach> check(const ExtraRecord *stored, const ExtraRecord &extra,
                                           DimensionCatalogue &catalogue);
};
