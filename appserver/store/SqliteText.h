#pragma once

#include <QChar>
#include <QString>

// SQLite takes a U+FEFF or U+FFFE at the start of a UTF-16 text as a byte-order mark: it drops
// the first and byte-swaps the text after the second. Texts handed to SQLite as UTF-16 go
// through this: a U+FEFF put in front of such a text is the one it drops, and the text is
// stored exactly as it was.
inline QString sqliteUtf16Text(const QString &text)
{
    if (!text.isEmpty() && (text.front() == QChar(0xFEFF) || text.front() == QChar(0xFFFE)))
        return QChar(0xFEFF) + text;
    return text;
}
