#include "TextRules.h"

#include "Exceptions.h"

bool EmptyString(const QString &text)
{
    // Blank as a trim would see it: spaces and control characters.
    for (QChar c : text) {
        if (c.unicode() > ' ')
            return false;
    }
    return true;
}

QString Replace(const QString &find, const QString &text, const QString &replacement, int number)
{
    if (find.isEmpty())
        return text;
    QString result;
    qsizetype from = 0;
    int done = 0;
    while (number <= 0 || done < number) {
        const qsizetype at = text.indexOf(find, from);
        if (at < 0)
            break;
        result += QStringView(text).mid(from, at - from);
        result += replacement;
        from = at + find.size();
        ++done;
    }
    result += QStringView(text).mid(from);
    return result;
}

QString Ajusta(const QString &text, int width)
{
    QString code = text;
    code.remove(QLatin1Char(' '));
    if (code.size() >= width)
        return code;
    return QString(width - code.size(), QLatin1Char('0')) + code;
}

QString UpperCase(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

QString Format(const QString &templ, const QStringList &args)
{
    QString result;
    int next = 0;
    for (qsizetype i = 0; i < templ.size(); ++i) {
        const QChar c = templ.at(i);
        if (c == QLatin1Char('%') && i + 1 < templ.size()) {
            const QChar conversion = templ.at(i + 1);
            if (conversion == QLatin1Char('s') || conversion == QLatin1Char('S')) {
                if (next >= args.size())
                    throw Exception(QStringLiteral("Formato \"%1\" pede mais argumentos do que os %2 dados.")
                                        .arg(templ).arg(args.size()));
                result += args.at(next++);
                ++i;
                continue;
            }
            if (conversion == QLatin1Char('%')) {
                result += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
