#include "CsvCell.h"

QString csvCell(const std::optional<QString> &value)
{
    if (!value) return QString();
    const QString &text = *value;
    if (!text.isEmpty() && !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
