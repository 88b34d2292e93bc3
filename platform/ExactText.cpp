#include "ExactText.h"

#include "DecodeCharge.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QSet>
#include <QStringDecoder>

namespace exact_text {

namespace {

constexpr int MaxNesting = 256;

// Reads the chunks of the current string, never reserving more than the item has left.
bool readChunks(QCborStreamReader &reader, qsizetype itemSize, QByteArray &out)
{
    QCborStreamReader::StringResult<qsizetype> chunk;
    do {
        const qsizetype length = reader.currentStringChunkSize();
        if (length < 0 || length > itemSize - reader.currentOffset()) return false;
        const qsizetype before = out.size();
        DecodeCharge::charge(quint64(length), 3); // the bytes, and at most as many UTF-16 units
        out.resize(before + length);
        chunk = reader.readStringChunk(out.data() + before, length);
        if (chunk.status == QCborStreamReader::Error) return false;
        out.resize(before + (chunk.status == QCborStreamReader::Ok ? chunk.data : 0));
    } while (chunk.status == QCborStreamReader::Ok);
    return true;
}

class ItemParser
{
public:
    explicit ItemParser(const QByteArray &item) : m_reader(item), m_size(item.size()) {}

    QCborValue parse(QString *error)
    {
        QCborValue value = this->value(0);
        if (m_error.isEmpty() && m_reader.lastError() != QCborError::NoError)
            m_error = m_reader.lastError().toString();
        if (m_error.isEmpty() && m_reader.currentOffset() != m_size)
            m_error = QStringLiteral("há dados depois do item CBOR");
        if (m_error.isEmpty()) return value;
        *error = m_error;
        return QCborValue();
    }

private:
    bool failed(const QString &why)
    {
        if (m_error.isEmpty()) m_error = why;
        return false;
    }

    bool advance() { return m_reader.next() || failed(m_reader.lastError().toString()); }

    QCborValue value(int depth)
    {
        if (!m_error.isEmpty()) return {};
        if (depth > MaxNesting)
            return failed(QStringLiteral("aninhamento profundo demais")), QCborValue();
        DecodeCharge::charge(1, qint64(sizeof(QCborValue))); // its element in the tree
        QCborValue v;
        switch (m_reader.type()) {
        case QCborStreamReader::UnsignedInteger: {
            const quint64 n = m_reader.toUnsignedInteger();
            v = n > quint64(std::numeric_limits<qint64>::max()) ? QCborValue(double(n))
                                                                : QCborValue(qint64(n));
            advance();
            break;
        }
        case QCborStreamReader::NegativeInteger: {
            // Qt gives the magnitude, 0 standing for 2^64; beyond the 64-bit integers a double.
            const quint64 magnitude = quint64(m_reader.toNegativeInteger());
            const quint64 least = quint64(1) << 63;
            const double large = magnitude ? double(magnitude) : 18446744073709551616.0;
            v = magnitude != 0 && magnitude <= least ? QCborValue(-qint64(magnitude - 1) - 1)
                                                     : QCborValue(-large);
            advance();
            break;
        }
        case QCborStreamReader::ByteArray: {
            QByteArray bytes;
            if (!readChunks(m_reader, m_size, bytes))
                return failed(QStringLiteral("texto de bytes malformado")), QCborValue();
            v = QCborValue(bytes);
            break;
        }
        case QCborStreamReader::String: {
            const std::optional<QString> text = read(m_reader, m_size);
            if (!text) return failed(QStringLiteral("texto que não é UTF-8 válido")), QCborValue();
            v = QCborValue(*text);
            break;
        }
        case QCborStreamReader::Array: {
            QCborArray array;
            if (!m_reader.enterContainer())
                return failed(m_reader.lastError().toString()), QCborValue();
            while (m_error.isEmpty() && m_reader.hasNext())
                array.append(value(depth + 1));
            if (m_error.isEmpty() && !m_reader.leaveContainer())
                failed(m_reader.lastError().toString());
            v = array;
            break;
        }
        case QCborStreamReader::Map: {
            QCborMap map;
            QSet<QCborValue> keys;
            if (!m_reader.enterContainer())
                return failed(m_reader.lastError().toString()), QCborValue();
            while (m_error.isEmpty() && m_reader.hasNext()) {
                const QCborValue key = value(depth + 1);
                if (!m_error.isEmpty()) break;
                if (keys.contains(key)) {
                    failed(QStringLiteral("chave %1 repetida")
                               .arg(key.isString()
                                        ? QLatin1Char('"') + key.toString() + QLatin1Char('"')
                                        : key.toDiagnosticNotation()));
                    break;
                }
                keys.insert(key);
                const QCborValue item = value(depth + 1);
                map.insert(key, item);
            }
            if (m_error.isEmpty() && !m_reader.leaveContainer())
                failed(m_reader.lastError().toString());
            v = map;
            break;
        }
        case QCborStreamReader::Tag: {
            const QCborTag tag = m_reader.toTag();
            if (!advance()) return {};
            v = QCborValue(tag, value(depth + 1));
            break;
        }
        case QCborStreamReader::SimpleType:
            v = QCborValue(m_reader.toSimpleType());
            advance();
            break;
        case QCborStreamReader::Float16:
            v = QCborValue(double(m_reader.toFloat16()));
            advance();
            break;
        case QCborStreamReader::Float:
            v = QCborValue(double(m_reader.toFloat()));
            advance();
            break;
        case QCborStreamReader::Double:
            v = QCborValue(m_reader.toDouble());
            advance();
            break;
        case QCborStreamReader::Invalid:
            failed(m_reader.lastError() == QCborError::NoError ? QStringLiteral("item CBOR ausente")
                                                               : m_reader.lastError().toString());
            break;
        }
        return v;
    }

    QCborStreamReader m_reader;
    qsizetype m_size;
    QString m_error;
};

} // namespace

std::optional<QString> fromUtf8(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                     QStringConverter::Flag::Stateless);
    QString text = decoder.decode(utf8);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

QString fromTrustedUtf8(QByteArrayView utf8)
{
    // Only a text that begins with EF BB BF needs the slower decoder.
    if (!utf8.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                     QStringConverter::Flag::Stateless);
    return decoder.decode(utf8);
}

std::optional<QString> read(QCborStreamReader &reader, qsizetype itemSize)
{
    if (!reader.isString()) return std::nullopt;
    QByteArray utf8;
    if (!readChunks(reader, itemSize, utf8)) return std::nullopt;
    return fromUtf8(utf8);
}

QCborValue parseItem(const QByteArray &item, QString *error)
{
    return ItemParser(item).parse(error);
}

} // namespace exact_text
