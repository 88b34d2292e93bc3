#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCborValue>
#include <QString>
#include <optional>

class QCborStreamReader;

// Texts exactly as sent and stored. Qt's own UTF-8 decoding drops a leading U+FEFF as if it
// were a byte order mark, which neither CBOR texts nor database values ever carry: these keep
// every character, that one included.
namespace exact_text {

// UTF-8 to text, every character kept; nullopt for bytes that are not valid UTF-8.
std::optional<QString> fromUtf8(QByteArrayView utf8);
// The same for UTF-8 that is valid by construction (a database's text); anything invalid
// becomes U+FFFD as with QString::fromUtf8.
QString fromTrustedUtf8(QByteArrayView utf8);

// The text string the reader stands on, read whole; nullopt when the reader fails or the text
// is not valid UTF-8. The reader then stands after it. `itemSize` is the size of all the bytes
// the reader reads: no chunk may claim more than what is left of them.
std::optional<QString> read(QCborStreamReader &reader, qsizetype itemSize);

// Exactly one CBOR item to a value, texts kept exactly. A map with a key twice, nesting deeper
// than any message of ours, bytes left over and malformed CBOR are refused: the value is then
// undefined and `error` says why (Portuguese).
QCborValue parseItem(const QByteArray &item, QString *error);

} // namespace exact_text
