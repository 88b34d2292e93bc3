#include "DimensionRules.h"

#include "DimensionCode.h"
#include "DimensionFields.h"
#include "StructureError.h"
#include "TextRules.h"

namespace df = dimension_fields;

namespace {

RuleBreach about(const QString &key, QLatin1String field, QStringList captions = {})
{
    if (captions.isEmpty()) captions << field;
    return RuleBreach{key, captions, {}, field};
}

} // namespace

std::optional<RuleBreach> DimensionRules::required(const DimensionRecord &dimension)
{
    if (EmptyString(dimension.code)) return RuleBreach{QStringLiteral("COD_DEVE"), {}, {}, df::Code};
    if (EmptyString(dimension.name)) return RuleBreach{QStringLiteral("NOME_DEVE"), {}, {}, df::Name};
    return std::nullopt;
}

std::optional<RuleBreach> DimensionRules::fieldsWithTable(const DimensionRecord &dimension)
{
    const std::pair<QLatin1String, const QString *> fields[] = {
        {df::Key, &dimension.key}, {df::Attribute, &dimension.attribute}, {df::Parent, &dimension.parent}};
    if (EmptyString(dimension.table)) {
        for (const auto &[name, value] : fields)
            if (!EmptyString(*value)) return about(QStringLiteral("CAMPO_TABELA"), name);
        return std::nullopt;
    }
    for (const auto &[name, value] : {fields[0], fields[1]})
        if (EmptyString(*value)) return about(QStringLiteral("CAMPO_DEVE"), name);
    return std::nullopt;
}

std::optional<RuleBreach> DimensionRules::attributeApart(const DimensionRecord &dimension)
{
    if (!EmptyString(dimension.attribute) && dimension.attribute == dimension.key)
        return about(QStringLiteral("CAMPO_IGUAL"), df::Attribute, {df::Attribute, df::Key});
    return std::nullopt;
}

std::optional<RuleBreach> DimensionRules::parentApart(const DimensionRecord &dimension)
{
    if (EmptyString(dimension.parent)) return std::nullopt;
    if (dimension.parent == dimension.key)
        return about(QStringLiteral("CAMPO_IGUAL"), df::Parent, {df::Parent, df::Key});
    if (dimension.parent == dimension.attribute)
        return about(QStringLiteral("CAMPO_IGUAL"), df::Parent, {df::Parent, df::Attribute});
    return std::nullopt;
}

QStringList DimensionRules::structureFields(const DimensionRecord &dimension)
{
    QStringList names{dimension.key, dimension.attribute};
    if (!dimension.parent.isEmpty()) names << dimension.parent;
    return names;
}

RuleBreach DimensionRules::codeTaken()
{
    return RuleBreach{QStringLiteral("COD_JCAD"), {}, {}, df::Code};
}

RuleBreach DimensionRules::nameTaken()
{
    return RuleBreach{QStringLiteral("NOME_JCAD"), {}, {}, df::Name};
}

RuleBreach DimensionRules::tableKeptWithExtras()
{
    return RuleBreach{QStringLiteral("ALT_TDIME_C_ATR"), {}, {}, {}};
}

DimensionRecord DimensionRules::storedForm(const DimensionRecord *stored, DimensionRecord dimension)
{
    if (const std::optional<QString> code = DimensionCode::storedForm(dimension.code))
        dimension.code = *code;
    if (!stored || stored->name != dimension.name) dimension.name = dimension.name.trimmed();
    return dimension;
}

std::optional<RuleBreach> DimensionRules::check(const DimensionRecord *stored,
                                                const DimensionRecord &dimension,
                                                DimensionCatalogue &catalogue)
{
    if (auto broken = required(dimension)) return broken;
    if (!DimensionCode::storedForm(dimension.code))
        return RuleBreach{QStringLiteral("COD_FORMA"), {}, {dimension.code}, df::Code};
    if (auto broken = duplicates(stored, dimension, catalogue)) return broken;
    if (auto broken = fieldsWithTable(dimension)) return broken;
    if (auto broken = structure(stored, dimension, catalogue)) return broken;
    if (dimension.flag != QLatin1String("S") && dimension.flag != QLatin1String("N"))
        return RuleBreach{QStringLiteral("MARCA_SN"), {}, {dimension.flag}, df::Flag};
    return std::nullopt;
}

std::optional<RuleBreach> DimensionRules::duplicates(const DimensionRecord *stored,
                                                     const DimensionRecord &dimension,
                                                     DimensionCatalogue &catalogue)
{
    if (stored && dimension.code != stored->code) {
        // The extras name their dimension by its code.
        if (catalogue.hasExtras(stored->code))
            return RuleBreach{QStringLiteral("COD_COM_ATRIB"), {}, {}, df::Code};
    }
    if ((!stored || dimension.code != stored->code) && catalogue.codeTaken(dimension.code))
        return codeTaken();
    if ((!stored || dimension.name != stored->name) && catalogue.nameTaken(dimension.name))
        return nameTaken();
    return std::nullopt;
}

std::optional<RuleBreach> DimensionRules::structure(const DimensionRecord *stored,
                                                    const DimensionRecord &dimension,
                                                    DimensionCatalogue &catalogue)
{
    if (EmptyString(dimension.table)) return std::nullopt;
    // The extra attributes are fields of the table: it stays while they exist.
    if (stored && dimension.table != stored->table && catalogue.hasExtras(stored->code))
        return tableKeptWithExtras();
    if (auto broken = attributeApart(dimension)) return broken;
    if (auto broken = parentApart(dimension)) return broken;
    return structure_error::breach(
        catalogue.structureError(dimension.table, structureFields(dimension)));
}
