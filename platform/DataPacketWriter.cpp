#include "DataPacket.h"

#include <QCborStreamWriter>

namespace packet {

namespace {

void writeRow(QCborStreamWriter &w, const std::optional<Row> &row)
{
    if (!row) {
        w.append(nullptr);
        return;
    }
    w.startArray(quint64(row->size()));
    for (const std::optional<QString> &value : *row) {
        if (value)
            w.append(*value);
        else
            w.append(nullptr);
    }
    w.endArray();
}

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
    QCborStreamWriter w(&bytes);
    const bool withLog = !packet.isDelta && !packet.log.isEmpty();
    w.startMap(withLog ? 3 : 2);
    w.append(QLatin1String("fields"));
    w.startArray(quint64(packet.fields.size()));
    for (const FieldDef &f : packet.fields) {
        w.startMap(3);
        w.append(QLatin1String("name"));
        w.append(f.name);
        w.append(QLatin1String("type"));
        w.append(QLatin1String("string"));
        w.append(QLatin1String("size"));
        w.append(qint64(f.size));
        w.endMap();
    }
    w.endArray();
    if (packet.isDelta) {
        w.append(QLatin1String("changes"));
        w.startArray(quint64(packet.changes.size()));
        for (const Change &c : packet.changes) {
            w.startMap(3);
            w.append(QLatin1String("op"));
            w.append(opName(c.op));
            w.append(QLatin1String("old"));
            writeRow(w, c.oldRow);
            w.append(QLatin1String("new"));
            writeRow(w, c.newRow);
            w.endMap();
        }
        w.endArray();
    } else {
        w.append(QLatin1String("rows"));
        w.startArray(quint64(packet.rows.size()));
        for (const Row &row : packet.rows)
            writeRow(w, row);
        w.endArray();
        if (withLog) {
            w.append(QLatin1String("log"));
            w.startArray(quint64(packet.log.size()));
            for (const LogEntry &e : packet.log) {
                w.startMap(3);
                w.append(QLatin1String("op"));
                w.append(opName(e.op));
                w.append(QLatin1String("row"));
                if (e.row)
                    w.append(qint64(*e.row));
                else
                    w.append(nullptr);
                w.append(QLatin1String("old"));
                writeRow(w, e.oldRow);
                w.endMap();
            }
            w.endArray();
        }
    }
    w.endMap();
    return bytes;
}

Variant toVariant(const Packet &packet)
{
    return Variant::fromBytes(encode(packet));
}

} // namespace packet
