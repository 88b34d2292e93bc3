#include "DimensionCode.h"

std::optional<QString> DimensionCode::storedForm(const QString &code)
{
    if (code.isEmpty() || code.size() > Width) return std::nullopt;
    for (QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return code.rightJustified(Width, QLatin1Char('0'));
}

QString DimensionCode::queryForm(const QString &code)
{
    return storedForm(code).value_or(code);
}
