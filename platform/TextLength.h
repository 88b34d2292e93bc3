#pragma once

#include <QString>

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
