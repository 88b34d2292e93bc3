#include "StructureError.h"

namespace {

const QString InvTabela = QStringLiteral("INV_TABELA");
const QString InvCampo = QStringLiteral("INV_CAMPO");
const QString NoDime = QStringLiteral("NO_DIME");

} // namespace

QString structure_error::noTable(const QString &table)
{
    return InvTabela + table;
}

QString structure_error::noField(const QString &field, const QString &table)
{
    return InvCampo + field + QLatin1Char('.') + table;
}

QString structure_error::notForDimension(const QString &field)
{
    return NoDime + field;
}

std::optional<RuleBreach> structure_error::breach(const QString &text)
{
    if (text.startsWith(InvTabela)) return RuleBreach{InvTabela, {}, {text.mid(InvTabela.size())}, {}};
    if (text.startsWith(InvCampo)) {
        // field "." table; the field is what stands before the first point.
        const QString rest = text.mid(InvCampo.size());
        const qsizetype point = rest.indexOf(QLatin1Char('.'));
        const QString field = point < 0 ? QString() : rest.left(point);
        const QString table = point < 0 ? rest : rest.mid(point + 1);
        return RuleBreach{InvCampo, {}, {field, table}, {}};
    }
    if (text.startsWith(NoDime)) return RuleBreach{NoDime, {}, {text.mid(NoDime.size())}, {}};
    return std::nullopt;
}
