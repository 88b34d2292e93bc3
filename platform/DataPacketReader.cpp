#include "DataPacket.h"

#include "CborHead.h"
#include "DecodeCharge.h"
#include "ExactText.h"
#include "Exceptions.h"

#include <QCborStreamReader>
#include <QSet>
#include <QVarLengthArray>
#include <memory>
#include <optional>

namespace packet {

namespace {

// Field widths beyond this are no string field of ours; refusing them keeps a corrupt size
// from passing as a real one.
constexpr int MaxFieldSize = 32767;

// Most values are a few ASCII characters: checked here, without a call per value.
inline bool isAscii(const quint8 *bytes, qsizetype length)
{
    quint8 any = 0;
    for (qsizetype i = 0; i < length; ++i)
        any |= bytes[i];
    return any < 0x80;
}

class PacketReader
{
public:
    // With `kept`, the rows of a packet as the writer makes it are checked and left in the bytes.
    explicit PacketReader(const QByteArray &bytes, KeptRows *kept = nullptr)
        : m_bytes(bytes), m_data(reinterpret_cast<const quint8 *>(bytes.constData())),
          m_size(bytes.size()), m_kept(kept)
    {
    }

    Packet read()
    {
        if (std::optional<Packet> p = readDirect()) return std::move(*p);
        // The walk may have kept rows before it gave up: the stream reader reads them again.
        if (m_kept) *m_kept = KeptRows();
        r = std::make_unique<QCborStreamReader>(m_bytes);
        m_span = m_size;
        Packet p;
        if (!r->isMap()) fail(QStringLiteral("o conteúdo não é um mapa"));
        enter();
        Seen seen;
        while (r->hasNext()) {
            const QString key = text();
            readValue(p, key, seen);
        }
        leave();
        if (r->lastError() != QCborError::NoError) failCbor();
        if (r->currentOffset() != m_size) fail(QStringLiteral("há dados depois do fim do pacote"));
        return finish(std::move(p), seen);
    }

private:
    struct Seen
    {
        bool fields = false, rows = false, changes = false, log = false;
    };

    // The value of one key of the packet's map; the reader stands on it.
    void readValue(Packet &p, const QString &key, Seen &seen)
    {
        if (key == QLatin1String("fields") && !seen.fields) {
            seen.fields = true;
            readFields(p);
        } else if (key == QLatin1String("rows") && !seen.rows) {
            seen.rows = true;
            needFields(seen.fields, key);
            readRows(p);
        } else if (key == QLatin1String("changes") && !seen.changes) {
            seen.changes = true;
            needFields(seen.fields, key);
            readChanges(p);
        } else if (key == QLatin1String("log") && !seen.log) {
            seen.log = true;
            needFields(seen.fields, key);
            readLog(p);
        } else {
            fail(QStringLiteral("chave \"%1\" desconhecida ou repetida").arg(key));
        }
    }

    Packet finish(Packet p, const Seen &seen)
    {
        if (!seen.fields) fail(QStringLiteral("falta a lista de campos"));
        if (seen.rows == seen.changes)
            fail(QStringLiteral(
                "o pacote deve ter ou registros (\"rows\") ou alterações (\"changes\")"));
        if (seen.log && seen.changes) fail(QStringLiteral("um pacote de alterações não leva log"));
        p.isDelta = seen.changes;
        checkLog(p);
        return p;
    }

    // The packet as the writer makes it — a map of known length with plain keys — walked over
    // its bytes: the rows are read straight off them, every other value by a stream reader
    // over that value alone. Anything else answers nullopt before a value is read, and the
    // stream reader reads the whole packet with its own checks and messages.
    std::optional<Packet> readDirect()
    {
        qsizetype pos = 0;
        quint8 major = 0;
        quint64 count = 0;
        bool unsized = false;
        if (!head(pos, major, count, unsized) || major != 5 || unsized) return std::nullopt;
        Packet p;
        Seen seen;
        for (quint64 n = 0; n < count; ++n) {
            quint64 length = 0;
            if (!head(pos, major, length, unsized) || major != 3 || unsized || length > 16 ||
                length > quint64(m_size - pos))
                return std::nullopt;
            const QByteArrayView name(m_bytes.constData() + pos, qsizetype(length));
            for (char c : name)
                if (uchar(c) >= 0x80) return std::nullopt;
            pos += qsizetype(length);
            const QString key = QString::fromLatin1(name);
            // A stream reader over this value alone, made only for a value walked otherwise.
            const auto readHere = [&] {
                m_span = m_size - pos;
                r = std::make_unique<QCborStreamReader>(
                    QByteArray::fromRawData(m_bytes.constData() + pos, m_span));
            };
            if (key == QLatin1String("fields") && !seen.fields) {
                seen.fields = true;
                if (fastFields(p, pos)) continue;
                p.fields.clear();
                readHere();
                readFields(p);
            } else if (key == QLatin1String("rows") && seen.fields && !seen.rows) {
                seen.rows = true;
                if (fastRows(p, pos)) continue;
                p.rows.clear();
                if (m_kept) m_kept->at.clear();
                readHere();
                readRows(p);
            } else {
                readHere();
                readValue(p, key, seen);
            }
            pos += r->currentOffset();
        }
        if (pos != m_size) fail(QStringLiteral("há dados depois do fim do pacote"));
        return finish(std::move(p), seen);
    }

    bool head(qsizetype &pos, quint8 &major, quint64 &argument, bool &unsized) const
    {
        return cbor::readHead(m_data, m_size, pos, major, argument, unsized);
    }

    [[noreturn]] void fail(const QString &why)
    {
        throw EDatabaseError(QStringLiteral("Pacote de dados inválido: %1.").arg(why));
    }

    [[noreturn]] void failCbor()
    {
        const QCborError e = r->lastError();
        if (e == QCborError::EndOfFile) fail(QStringLiteral("pacote truncado"));
        fail(QStringLiteral("CBOR malformado (%1)").arg(e.toString()));
    }

    void check()
    {
        if (r->lastError() != QCborError::NoError) failCbor();
    }

    void needFields(bool haveFields, const QString &key)
    {
        if (!haveFields) fail(QStringLiteral("\"%1\" antes de \"fields\"").arg(key));
    }

    void enter()
    {
        if (!r->enterContainer()) failCbor();
    }

    void leave()
    {
        check();
        if (!r->leaveContainer()) failCbor();
    }

    void skipValue()
    {
        if (!r->next()) failCbor();
    }

    QString text()
    {
        check();
        if (!r->isString()) fail(QStringLiteral("esperava um texto"));
        // Nearly every value is a short text in one piece: read on the stack and converted in
        // one go, with no buffer or decoder of its own (a list holds a few per row).
        if (r->isLengthKnown() && r->length() <= quint64(ShortText)) {
            char bytes[ShortText];
            qsizetype used = 0;
            for (;;) {
                const auto chunk = r->readStringChunk(bytes + used, ShortText - used);
                if (chunk.status == QCborStreamReader::Error) {
                    check();
                    fail(QStringLiteral("texto truncado"));
                }
                if (chunk.status == QCborStreamReader::EndOfString) break;
                used += chunk.data;
            }
            const QByteArrayView utf8(bytes, used);
            if (!utf8.isValidUtf8()) fail(QStringLiteral("texto que não é UTF-8 válido"));
            DecodeCharge::charge(quint64(used), 2);
            return exact_text::fromTrustedUtf8(utf8);
        }
        const std::optional<QString> s = exact_text::read(*r, m_span);
        if (!s) {
            check();
            fail(QStringLiteral("texto que não é UTF-8 válido"));
        }
        return *s;
    }

    // An integer within [least, most] (most >= 0), checked before it is narrowed; `outside()`
    // says what is wrong with any other, made only then.
    template <typename Message>
    int integer(qint64 least, qint64 most, Message outside)
    {
        check();
        if (!r->isInteger()) fail(QStringLiteral("esperava um número inteiro"));
        bool inRange = false;
        if (r->isUnsignedInteger()) {
            inRange = r->toUnsignedInteger() >= quint64(std::max<qint64>(least, 0)) &&
                      r->toUnsignedInteger() <= quint64(most);
        } else if (least < 0) {
            // The magnitude of a negative integer; 0 stands for -2^64.
            const quint64 magnitude = quint64(r->toNegativeInteger());
            inRange = magnitude != 0 && magnitude <= quint64(-least);
        }
        if (!inRange) fail(outside());
        const qint64 n = r->toInteger();
        skipValue();
        return int(n);
    }

    bool atNull()
    {
        check();
        if (r->isNull()) {
            skipValue();
            return true;
        }
        return false;
    }

    void array()
    {
        check();
        if (!r->isArray()) fail(QStringLiteral("esperava um array"));
        enter();
    }

    void readFields(Packet &p)
    {
        array();
        QSet<QString> names;
        while (r->hasNext()) {
            check();
            if (!r->isMap()) fail(QStringLiteral("definição de campo não é um mapa"));
            enter();
            FieldDef f;
            bool haveName = false, haveType = false, haveSize = false;
            while (r->hasNext()) {
                const QString key = text();
                if (key == QLatin1String("name") && !haveName) {
                    haveName = true;
                    f.name = text();
                } else if (key == QLatin1String("type") && !haveType) {
                    haveType = true;
                    const QString type = text();
                    if (type != QLatin1String("string"))
                        fail(QStringLiteral("tipo de campo \"%1\" não suportado").arg(type));
                } else if (key == QLatin1String("size") && !haveSize) {
                    haveSize = true;
                    f.size = integer(1, MaxFieldSize, [] {
                        return QStringLiteral("tamanho de campo fora de 1..%1").arg(MaxFieldSize);
                    });
                } else {
                    fail(
                        QStringLiteral("chave \"%1\" desconhecida ou repetida num campo").arg(key));
                }
            }
            leave();
            if (!haveName || !haveType || !haveSize)
                fail(QStringLiteral("campo sem nome, tipo ou tamanho"));
            if (f.name.isEmpty()) fail(QStringLiteral("campo com nome vazio"));
            if (names.contains(f.name)) fail(QStringLiteral("campo \"%1\" repetido").arg(f.name));
            names.insert(f.name);
            p.fields.append(f);
        }
        leave();
    }

    Row row(const Packet &p)
    {
        array();
        chargeRow(p.fields.size());
        Row values;
        values.reserve(p.fields.size());
        while (r->hasNext()) {
            const qsizetype i = values.size();
            if (i >= p.fields.size()) fail(QStringLiteral("registro com mais valores que campos"));
            if (atNull()) {
                values.append(std::nullopt);
                continue;
            }
            // A value wider than its field is kept whole: cutting it would lose data, and
            // whoever stores it checks the width against its own columns.
            values.append(text());
        }
        leave();
        if (values.size() != p.fields.size())
            fail(QStringLiteral("registro com %1 valores para %2 campos")
                     .arg(values.size())
                     .arg(p.fields.size()));
        return values;
    }

    std::optional<Row> optionalRow(const Packet &p)
    {
        if (atNull()) return std::nullopt;
        return row(p);
    }

    void readRows(Packet &p)
    {
        check();
        // Reserve from the declared length, but never trust it beyond what the bytes could hold.
        // Each row takes at least a byte of what is left.
        if (r->isArray() && r->isLengthKnown())
            p.rows.reserve(
                qsizetype(qMin<quint64>(r->length(), quint64(m_span - r->currentOffset()))));
        array();
        while (r->hasNext())
            p.rows.append(row(p));
        leave();
    }

    ChangeOp op()
    {
        const QString name = text();
        if (name == QLatin1String("insert")) return ChangeOp::Insert;
        if (name == QLatin1String("modify")) return ChangeOp::Modify;
        if (name == QLatin1String("delete")) return ChangeOp::Delete;
        fail(QStringLiteral("operação \"%1\" desconhecida").arg(name));
    }

    void readChanges(Packet &p)
    {
        array();
        while (r->hasNext()) {
            check();
            if (!r->isMap()) fail(QStringLiteral("alteração não é um mapa"));
            enter();
            Change c;
            bool haveOp = false, haveOld = false, haveNew = false;
            while (r->hasNext()) {
                const QString key = text();
                if (key == QLatin1String("op") && !haveOp) {
                    haveOp = true;
                    c.op = op();
                } else if (key == QLatin1String("old") && !haveOld) {
                    haveOld = true;
                    c.oldRow = optionalRow(p);
                } else if (key == QLatin1String("new") && !haveNew) {
                    haveNew = true;
                    c.newRow = optionalRow(p);
                } else {
                    fail(QStringLiteral("chave \"%1\" desconhecida ou repetida numa alteração")
                             .arg(key));
                }
            }
            leave();
            if (!haveOp) fail(QStringLiteral("alteração sem operação"));
            const bool wantOld = c.op != ChangeOp::Insert;
            const bool wantNew = c.op != ChangeOp::Delete;
            if (c.oldRow.has_value() != wantOld || c.newRow.has_value() != wantNew)
                fail(QStringLiteral("alteração \"%1\" com valores antigos ou novos incoerentes")
                         .arg(opName(c.op)));
            p.changes.append(std::move(c));
        }
        leave();
    }

    void readLog(Packet &p)
    {
        array();
        while (r->hasNext()) {
            check();
            if (!r->isMap()) fail(QStringLiteral("entrada do log não é um mapa"));
            enter();
            LogEntry e;
            bool haveOp = false, haveRow = false, haveOld = false;
            while (r->hasNext()) {
                const QString key = text();
                if (key == QLatin1String("op") && !haveOp) {
                    haveOp = true;
                    e.op = op();
                } else if (key == QLatin1String("row") && !haveRow) {
                    haveRow = true;
                    if (!atNull())
                        e.row = integer(0, std::numeric_limits<int>::max(), [] {
                            return QStringLiteral("o log cita um registro inexistente");
                        });
                } else if (key == QLatin1String("old") && !haveOld) {
                    haveOld = true;
                    e.oldRow = optionalRow(p);
                } else {
                    fail(QStringLiteral("chave \"%1\" desconhecida ou repetida no log").arg(key));
                }
            }
            leave();
            if (!haveOp) fail(QStringLiteral("entrada do log sem operação"));
            p.log.append(std::move(e));
        }
        leave();
    }

    // Each log entry must name a row the packet has (or none, for a deletion), at most once.
    void checkLog(const Packet &p)
    {
        const qsizetype rows = p.rows.size() + (m_kept ? m_kept->at.size() : 0);
        QSet<int> seen;
        for (const LogEntry &e : p.log) {
            const bool wantRow = e.op != ChangeOp::Delete;
            const bool wantOld = e.op != ChangeOp::Insert;
            if (e.row.has_value() != wantRow || e.oldRow.has_value() != wantOld)
                fail(QStringLiteral("entrada \"%1\" do log incoerente").arg(opName(e.op)));
            if (e.row) {
                if (*e.row < 0 || *e.row >= rows)
                    fail(QStringLiteral("o log cita o registro %1, que não existe").arg(*e.row));
                if (seen.contains(*e.row))
                    fail(QStringLiteral("o log cita o registro %1 duas vezes").arg(*e.row));
                seen.insert(*e.row);
            }
        }
    }

    // A list's rows as a server writes them — arrays of definite-length texts and nulls — read
    // straight off the bytes from pos, which moves past them: the stream reader's cost per item
    // was most of a large list's load. Anything else (chunked texts, a row of the wrong length,
    // bad UTF-8, truncation) answers false, and the stream reader reads the rows with its own
    // checks and messages. Rows to be kept are only checked, and where each begins noted.
    bool fastRows(Packet &p, qsizetype &from)
    {
        qsizetype pos = from;
        quint8 major = 0;
        quint64 count = 0;
        bool openEnded = false; // a list of rows with no count, ended by a break
        if (!head(pos, major, count, openEnded) || major != 4) return false;
        const qsizetype fields = p.fields.size();
        const qsizetype expected =
            qsizetype(qMin<quint64>(openEnded ? 0 : count, quint64(m_size - pos)));
        if (m_kept)
            m_kept->at.reserve(expected);
        else
            p.rows.reserve(expected);
        for (quint64 n = 0;; ++n) {
            if (openEnded) {
                if (pos >= m_size) return false;
                if (m_data[pos] == 0xff) {
                    ++pos;
                    break;
                }
            } else if (n == count) {
                break;
            }
            quint64 length = 0;
            bool unsized = false;
            if (!head(pos, major, length, unsized) || major != 4 || unsized ||
                length != quint64(fields))
                return false;
            if (m_kept) {
                m_kept->at.append(pos);
                for (qsizetype i = 0; i < fields; ++i)
                    if (!cell(pos)) return false;
                continue;
            }
            chargeRow(fields);
            Row values(fields);
            for (qsizetype i = 0; i < fields; ++i) {
                std::optional<QByteArrayView> utf8;
                if (!cell(pos, &utf8)) return false;
                if (!utf8) continue;
                DecodeCharge::charge(quint64(utf8->size()), 2);
                values[i] = exact_text::fromTrustedUtf8(*utf8);
            }
            p.rows.append(std::move(values));
        }
        from = pos;
        if (m_kept) {
            m_kept->bytes = m_bytes;
            // Bytes the caller only lent (no storage of their own) are copied to be kept.
            if (!m_kept->bytes.data_ptr().d_ptr())
                m_kept->bytes = QByteArray(m_bytes.constData(), m_size);
        }
        return true;
    }

    // The field list as the writer makes it: maps of "name", "type" and "size" in that order,
    // of a known length, with a string type, a size in range and names present only once.
    // Anything else answers false and the stream reader reads the list with its messages.
    bool fastFields(Packet &p, qsizetype &from)
    {
        qsizetype pos = from;
        quint8 major = 0;
        quint64 count = 0;
        bool unsized = false;
        if (!head(pos, major, count, unsized) || major != 4 || unsized ||
            count > quint64(m_size - pos))
            return false;
        QVarLengthArray<QByteArrayView, 32> names;
        p.fields.reserve(qsizetype(count));
        for (quint64 n = 0; n < count; ++n) {
            quint64 entries = 0;
            std::optional<QByteArrayView> name, type;
            quint64 size = 0;
            if (!head(pos, major, entries, unsized) || major != 5 || unsized || entries != 3 ||
                !key(pos, "name") || !cell(pos, &name) || !name || name->isEmpty() ||
                !key(pos, "type") || !cell(pos, &type) || !type ||
                *type != QByteArrayView("string") || !key(pos, "size") ||
                !head(pos, major, size, unsized) || major != 0 || size < 1 ||
                size > quint64(MaxFieldSize))
                return false;
            for (const QByteArrayView &earlier : names)
                if (earlier == *name) return false;
            names.append(*name);
            p.fields.append({exact_text::fromTrustedUtf8(*name), int(size)});
        }
        from = pos;
        return true;
    }

    // Steps over a map key that is exactly `expected`.
    bool key(qsizetype &pos, QByteArrayView expected) const
    {
        std::optional<QByteArrayView> text;
        return cell(pos, &text) && text == expected;
    }

    // Steps over one value of a row: a null, or a definite-length text of valid UTF-8 (whose
    // bytes go to utf8 when asked for).
    bool cell(qsizetype &pos, std::optional<QByteArrayView> *utf8 = nullptr) const
    {
        if (pos < m_size && m_data[pos] == 0xf6) {
            ++pos;
            return true;
        }
        quint8 major = 0;
        quint64 length = 0;
        bool unsized = false;
        if (!head(pos, major, length, unsized) || major != 3 || unsized ||
            length > quint64(m_size - pos))
            return false;
        const QByteArrayView text(m_bytes.constData() + pos, qsizetype(length));
        if (!isAscii(m_data + pos, qsizetype(length)) && !text.isValidUtf8()) return false;
        if (utf8) *utf8 = text;
        pos += qsizetype(length);
        return true;
    }

    // A row's slots, and its place among the rows, before it is made.
    static void chargeRow(qsizetype fields)
    {
        DecodeCharge::charge(quint64(fields) + 1, qint64(sizeof(std::optional<QString>)));
    }

    static constexpr qsizetype ShortText = 1024; // bytes
    std::unique_ptr<QCborStreamReader> r; // over the whole packet, or over the value being read
    const QByteArray &m_bytes;
    const quint8 *m_data;
    qsizetype m_size;
    qsizetype m_span = 0; // the bytes r reads
    KeptRows *m_kept;
};

} // namespace

Packet decode(const QByteArray &bytes)
{
    if (bytes.size() > MaxPacketBytes)
        throw EDatabaseError(
            QStringLiteral("Pacote de dados inválido: %1 bytes excedem o limite de %2.")
                .arg(bytes.size())
                .arg(MaxPacketBytes));
    if (bytes.isEmpty())
        throw EDatabaseError(QStringLiteral("Pacote de dados inválido: pacote vazio."));
    return PacketReader(bytes).read();
}

Packet decodeKeepingRows(const QByteArray &bytes, KeptRows &kept)
{
    kept = KeptRows();
    if (bytes.size() > MaxPacketBytes || bytes.isEmpty()) return decode(bytes);
    return PacketReader(bytes, &kept).read();
}

QByteArrayView keptRowBytes(const QByteArray &bytes, qsizetype at, qsizetype fields)
{
    const auto *data = reinterpret_cast<const quint8 *>(bytes.constData());
    qsizetype end = at;
    for (qsizetype i = 0; i < fields; ++i) {
        quint8 major = 0;
        quint64 length = 0;
        bool unsized = false;
        cbor::readHead(data, bytes.size(), end, major, length, unsized);
        if (major == 3) end += qsizetype(length); // a text; a null has no payload
    }
    return QByteArrayView(bytes.constData() + at, end - at);
}

Row keptRow(const QByteArray &bytes, qsizetype at, qsizetype fields)
{
    const auto *data = reinterpret_cast<const quint8 *>(bytes.constData());
    Row values(fields);
    for (qsizetype i = 0; i < fields; ++i) {
        if (data[at] == 0xf6) {
            ++at;
            continue;
        }
        quint8 major = 0;
        quint64 length = 0;
        bool unsized = false;
        cbor::readHead(data, bytes.size(), at, major, length, unsized);
        values[i] = exact_text::fromTrustedUtf8(
            QByteArrayView(bytes.constData() + at, qsizetype(length)));
        at += qsizetype(length);
    }
    return values;
}

namespace {

const QByteArray &packetBytes(const Variant &value)
{
    if (value.kind() != Variant::Kind::Bytes)
        throw EDatabaseError(
            QStringLiteral("Pacote de dados inválido: a variante não é um array de bytes."));
    return value.bytes();
}

} // namespace

Packet fromVariant(const Variant &value)
{
    return decode(packetBytes(value));
}

Packet fromVariant(const Variant &value, KeptRows &kept)
{
    return decodeKeepingRows(packetBytes(value), kept);
}

} // namespace packet
