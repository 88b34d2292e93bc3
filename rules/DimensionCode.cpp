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

int DimensionCode::numberOf(const QString &stored)
{
    if (stored.size() != Width) return -1;
    int number = 0;
    for (QChar c : stored) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}
