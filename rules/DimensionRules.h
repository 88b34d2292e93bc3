#pragma once

#include "DimensionCatalogue.h"
#include "DimensionRecord.h"
#include "RuleBreach.h"

#include <optional>

// Every rule of a dimension. The screen asks them one by one, in its order, between its
// questions to the server; a save asks check(), which runs them all in that same order against
// the catalogue, so both refuse with the same first message.
class DimensionRules
{
public:
    // Code given (COD_DEVE), then name given (NOME_DEVE).
    static std::optional<RuleBreach> required(const DimensionRecord &dimension);
    // Without a table no field of it is named (CAMPO_TABELA); with one, key and main attribute
    // are given (CAMPO_DEVE); the self-relationship is optional.
    static std::optional<RuleBreach> fieldsWithTable(const DimensionRecord &dimension);
    // A non-blank main attribute is not the key (CAMPO_IGUAL).
    static std::optional<RuleBreach> attributeApart(const DimensionRecord &dimension);
    // A non-blank self-relationship is neither the key nor the main attribute (CAMPO_IGUAL).
    static std::optional<RuleBreach> parentApart(const DimensionRecord &dimension);
    // The field names whose structure is asked: key, main attribute, and the self-relationship
    // when it is not the empty text (one of blanks only is asked too).
    static QStringList structureFields(const DimensionRecord &dimension);

    static RuleBreach codeTaken();
    static RuleBreach nameTaken();
    static RuleBreach tableKeptWithExtras(); // ALT_TDIME_C_ATR

    // The form in which a save stores a dimension: the code in its stored form, a changed name
    // without blanks around it. Table and field names are stored as sent: the screen sends
    // a name it changed in normal form and one it loaded as it was, and compares them so.
    // stored: the dimension as it is stored, null for a new one.
    static DimensionRecord storedForm(const DimensionRecord *stored, DimensionRecord dimension);
    // Every rule of a dimension in stored form, in the screen's order, then those only another
    // client can break (code of digits, flag S or N); the first broken one.
    static std::optional<RuleBreach> check(const DimensionRecord *stored,
                                           const DimensionRecord &dimension,
                                           DimensionCatalogue &catalogue);

private:
    static std::optional<RuleBreach> duplicates(const DimensionRecord *stored,
                                                const DimensionRecord &dimension,
                                                DimensionCatalogue &catalogue);
    static std::optional<RuleBreach> structure(const DimensionRecord *stored,
                                               const DimensionRecord &dimension,
                                               DimensionCatalogue &catalogue);
};
