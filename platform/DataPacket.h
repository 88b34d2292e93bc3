#pragma once

#include "Variant.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// The decoded form of a data packet (one CBOR map in a byte array; layout in docs/protocol.md).
// Content packets carry rows; deltas carry changes. A content packet read off a record set may
// also carry the set's change log, so that loading it into another set keeps pending changes.
namespace packet {

constexpr qsizetype MaxPacketBytes = 256 * 1024 * 1024;

struct FieldDef
{
    QString name;
    int size = 0;
};

// One record: a value per field, in field order; nullopt is a null value.
using Row = QVector<std::optional<QString>>;

enum class ChangeOp { Insert, Modify, Delete };

struct Change
{
    ChangeOp op = ChangeOp::Insert;
    std::optional<Row> oldRow; // as read from the server (modify, delete)
    std::optional<Row> newRow; // to be stored (insert, modify)
};

// A pending change of a content packet's row: which row (by index into rows, none for a
// deletion) and its base values.
struct LogEntry
{
    ChangeOp op = ChangeOp::Insert;
    std::optional<int> row;
    std::optional<Row> oldRow;
};

struct Packet
{
    QVector<FieldDef> fields;
    QVector<Row> rows;       // content packets
    QVector<LogEntry> log;   // content packets read off a set with pending changes
    QVector<Change> changes; // deltas
    bool isDelta = false;
};

// Encoding never fails; decoding raises EDatabaseError with a clear message on anything
// malformed, truncated, oversized or inconsistent (a row of the wrong length, a bad op...).
QByteArray encode(const Packet &packet); // DataPacketWriter.cpp
Packet decode(const QByteArray &bytes);   // DataPacketReader.cpp

// A content packet's rows left in its bytes: a list of thousands is loaded without making its
// texts, and a row becomes texts when someone reads it (a grid reads the rows it shows).
struct KeptRows
{
    QByteArray bytes;      // the packet
    QVector<qsizetype> at; // where each row's first value begins
};

// As decode, with the same checks and messages, but the rows of a packet as the writer makes
// it are only checked: they come back in `kept`, and the packet's rows stay empty. Any other
// packet has its rows read into the packet, and `kept` stays empty.
Packet decodeKeepingRows(const QByteArray &bytes, KeptRows &kept);
// One row of `kept.bytes` (checked when they were decoded) made into texts.
Row keptRow(const QByteArray &bytes, qsizetype at, qsizetype fields);
// The bytes of that row, its texts left unmade: two rows written alike are the same row.
QByteArrayView keptRowBytes(const QByteArray &bytes, qsizetype at, qsizetype fields);

QString opName(ChangeOp op); // "insert", "modify" or "delete", as packets spell it

// Pieces of a content packet's encoding, exactly as encode() writes them, for whoever puts one
// together from parts (a list kept encoded, whose rows are replaced in place): an array's head,
// and one row. DataPacketWriter.cpp.
void appendArrayHead(QByteArray &out, quint64 count);
void appendRow(QByteArray &out, const Row &row);

Variant toVariant(const Packet &packet);  // a byte-array variant
Packet fromVariant(const Variant &value); // EDatabaseError when the variant is no packet
// The same, its rows kept as decodeKeepingRows keeps them.
Packet fromVariant(const Variant &value, KeptRows &kept);

} // namespace packet
