#include "ExtraRules.h"

#include "DimensionCode.h"
#include "DimensionFields.h"
#include "StructureError.h"
#include "TextRules.h"

std::optional<RuleBreach> ExtraRules::required(const ExtraRecord &extra)
{
    if (EmptyString(extra.name)) return RuleBreach{QStringLiteral("NM_ATRIB_DEVE"), {}, {}, {}};
    if (EmptyString(extra.field)) return RuleBreach{QStringLiteral("CD_ATRIB_DEVE"), {}, {}, {}};
    return std::nullopt;
}

std::optional<RuleBreach> ExtraRules::apartFromDimension(const ExtraRecord &extra,
                                                         const DimensionRecord &dimension,
                                                         bool withBlankParent)
{
    const std::pair<QLatin1String, const QString *> fields[] = {
        {dimension_fields::Key, &dimension.key},
        {dimension_fields::Attribute, &dimension.attribute},
        {dimension_fields::Parent, &dimension.parent}};
    for (const auto &[name, value] : fields) {
        if (name == dimension_fields::Parent && !withBlankParent && EmptyString(*value)) continue;
        if (extra.field == *value)
            return RuleBreach{QStringLiteral("CAMPO_IGUAL"), {QStringLiteral("EXTRA_ATRIB"), name},
                              {}, extra_fields::Field};
    }
    return std::nullopt;
}

RuleBreach ExtraRules::fieldTaken()
{
    return RuleBreach{QStringLiteral("CD_ATRIB_JA"), {}, {}, {}};
}

RuleBreach ExtraRules::nameTaken()
{
    return RuleBreach{QStringLiteral("NM_ATRIB_JA"), {}, {}, {}};
}

ExtraRecord ExtraRules::storedForm(const ExtraRecord *stored, ExtraRecord extra)
{
    if (const std::optional<QString> code = DimensionCode::storedForm(extra.code))
        extra.code = *code;
    return extra;
}

std::optional<RuleBreach> ExtraRules::check(const ExtraRecord *stored, const ExtraRecord &extra,
                                            DimensionCatalogue &catalogue)
{
    if (!DimensionCode::storedForm(extra.code))
        return RuleBreach{QStringLiteral("COD_FORMA"), {}, {extra.code}, extra_fields::Code};
    if (auto broken = required(extra)) return broken;
    const std::optional<DimensionRecord> dimension = catalogue.dimension(extra.code);
    if (!dimension) return RuleBreach{QStringLiteral("DIME_NAO_EXISTE"), {}, {extra.code}, {}};
    if (auto broken = apartFromDimension(extra, *dimension, false)) return broken;
    if (auto broken = structure_error::breach(
            catalogue.structureError(dimension->table, {extra.field})))
        return broken;
    const bool moved = !stored || stored->code != extra.code;
    if ((moved || stored->field != extra.field) &&
        catalogue.extraFieldTaken(extra.code, extra.field))
        return fieldTaken();
    if ((moved || stored->name != extra.name) && catalogue.extraNameTaken(extra.code, extra.name))
        return nameTaken();
    return std::nullopt;
}
