#pragma once

#include <QString>
#include <QStringList>

// The text rules that need no widgets: the screen, the server and kzr-admin use these same
// ones, so a name or a code is brought to the same form wherever it is checked.

// Field widths count characters as a person sees them, so a character outside the basic
// plane (two UTF-16 units) counts once, as it does in the database's character columns. The
// one measure of a text's width: the client's record sets and the server's checks both use it.
inline qsizetype characterCount(const QString &text)
{
    qsizetype count = text.size();
    for (QChar c : text)
        if (c.isLowSurrogate()) --count;
    return count;
}

bool EmptyString(const QString &text); // empty, or blanks and control characters only
// Replaces every occurrence of find (number 0: all of them; else at most that many).
QString Replace(const QString &find, const QString &text, const QString &replacement, int number);
// Brings a code to its stored width: blanks dropped, left-padded with zeros to width
// ("12" -> "00012"); a longer code is left as it is.
QString Ajusta(const QString &text, int width);
QString UpperCase(const QString &text); // only a-z change
// Fills "%s" and "%S" in order with the arguments ("%%" is a percent sign); too few arguments
// raise Exception.
QString Format(const QString &templ, const QStringList &args);
