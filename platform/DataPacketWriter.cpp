#include "DataPacket.h"


namespace packet {

namespace {

// CBOR written straight into the packet's bytes, every head in its shortest form (the same
// bytes a CBOR stream writer gives): the stream writer's cost per item was most of the
// encoding of a large list.
class CborOut
{
public:
    explicit CborOut(QByteArray &bytes) : m_bytes(bytes) {}

    void head(quint8 major, quint64 argument)
    {
        const char type = char(major << 5);
        if (argument < 24) {
            m_bytes.append(char(type | char(argument)));
        } else if (argument <= 0xff) {
            m_bytes.append(char(type | 24));
            m_bytes.append(char(argument));
        } else if (argument <= 0xffff) {
            m_bytes.append(char(type | 25));
            bigEndian(argument, 2);
        } else if (argument <= 0xffffffffu) {
            m_bytes.append(char(type | 26));
            bigEndian(argument, 4);
        } else {
            m_bytes.append(char(type | 27));
            bigEndian(argument, 8);
        }
    }
    void array(qsizetype count) { head(4, quint64(count)); }
    void map(qsizetype pairs) { head(5, quint64(pairs)); }
    void null() { m_bytes.append(char(0xf6)); }
    void integer(qint64 n) { n >= 0 ? head(0, quint64(n)) : head(1, quint64(-1 - n)); }
    void text(QLatin1StringView latin1)
    {
        head(3, quint64(latin1.size()));
        m_bytes.append(latin1.data(), latin1.size());
    }
    void text(const QString &value)
    {
        // Plain ASCII, the usual case, goes over character by character with no UTF-8 copy.
        const QChar *chars = value.constData();
        const qsizetype size = value.size();
        qsizetype i = 0;
        while (i < size && chars[i].unicode() < 0x80)
            ++i;
        if (i == size) {
            head(3, quint64(size));
            const qsizetype at = m_bytes.size();
            m_bytes.resize(at + size);
            char *out = m_bytes.data() + at;
            for (qsizetype k = 0; k < size; ++k)
                out[k] = char(chars[k].unicode());
            return;
        }
        const QByteArray utf8 = value.toUtf8();
        head(3, quint64(utf8.size()));
        m_bytes.append(utf8);
    }
    void row(const std::optional<Row> &values)
    {
        if (values)
            row(*values);
        else
            null();
    }
    void row(const Row &values)
    {
        array(values.size());
        for (const std::optional<QString> &value : values) {
            if (value)
                text(*value);
            else
                null();
        }
    }

private:
    void bigEndian(quint64 value, int width)
    {
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
            m_bytes.append(char((value >> shift) & 0xff));
    }

    QByteArray &m_bytes;
};

} // namespace

QString opName(ChangeOp op)
{
    switch (op) {
    case ChangeOp::Insert:
        return QStringLiteral("insert");
    case ChangeOp::Modify:
        return QStringLiteral("modify");
    case ChangeOp::Delete:
        return QStringLiteral("delete");
    }
    return QString();
}

QByteArray encode(const Packet &packet)
{
    QByteArray bytes;
    // About what a list of short texts takes, so that the bytes seldom move as they grow.
    bytes.reserve(64 + packet.rows.size() * (packet.fields.size() * 12 + 2));
    CborOut w(bytes);
    const bool withLog = !packet.isDelta && !packet.log.isEmpty();
    w.map(withLog ? 3 : 2);
    w.text(QLatin1String("fields"));
    w.array(packet.fields.size());
    for (const FieldDef &f : packet.fields) {
        w.map(3);
        w.text(QLatin1String("name"));
        w.text(f.name);
        w.text(QLatin1String("type"));
        w.text(QLatin1String("string"));
        w.text(QLatin1String("size"));
        w.integer(f.size);
    }
    if (packet.isDelta) {
        w.text(QLatin1String("changes"));
        w.array(packet.changes.size());
        for (const Change &c : packet.changes) {
            w.map(3);
            w.text(QLatin1String("op"));
            w.text(opName(c.op));
            w.text(QLatin1String("old"));
            w.row(c.oldRow);
            w.text(QLatin1String("new"));
            w.row(c.newRow);
        }
    } else {
        w.text(QLatin1String("rows"));
        w.array(packet.rows.size());
        for (const Row &row : packet.rows)
            w.row(row);
        if (withLog) {
            w.text(QLatin1String("log"));
            w.array(packet.log.size());
            for (const LogEntry &e : packet.log) {
                w.map(3);
                w.text(QLatin1String("op"));
                w.text(opName(e.op));
                w.text(QLatin1String("row"));
                if (e.row)
                    w.integer(*e.row);
                else
                    w.null();
                w.text(QLatin1String("old"));
                w.row(e.oldRow);
            }
        }
    }
    return bytes;
}

void appendArrayHead(QByteArray &out, quint64 count)
{
    CborOut(out).head(4, count);
}

void appendRow(QByteArray &out, const Row &row)
{
    CborOut(out).row(row);
}

Variant toVariant(const Packet &packet)
{
    return Variant::fromBytes(encode(packet));
}

} // namespace packet
