#include "RuleBreach.h"

#include "RuleMessages.h"
#include "TextRules.h"

QString RuleBreach::text() const
{
    QStringList arguments;
    for (const QString &caption : captionKeys)
        arguments << rule_messages::text(caption);
    return Format(rule_messages::text(key), arguments + values);
}

QString RuleBreach::refusal(const QString &what) const
{
    QString shown = text();
    if (!shown.endsWith(QLatin1Char('.'))) shown += QLatin1Char('.');
    return what + QStringLiteral(": ") + shown + QStringLiteral(" Nada foi gravado.");
}
