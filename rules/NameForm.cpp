#include "NameForm.h"

#include "TextRules.h"

QString normalName(const QString &name)
{
    return Replace(QStringLiteral(" "), UpperCase(name), QString(), 0);
}
