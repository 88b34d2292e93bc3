#include "DataPacket.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <gtest/gtest.h>

using namespace packet;

namespace {

Packet sampleContent()
{
    Packet p;
    p.fields = {{"NRSEQUEDIME", 5}, {"NMITEMDIME", 30}};
    p.rows = {{QString("1"), QString("Cliente")},
              {QString("2"), std::nullopt},
              {QString(""), QString("Ação 𝄞")}};
    p.log = {{ChangeOp::Modify, 0, Row{QString("1"), QString("Clientes")}},
             {ChangeOp::Delete, std::nullopt, Row{QString("9"), QString("Velha")}},
             {ChangeOp::Insert, 2, std::nullopt}};
    return p;
}

QCborMap fieldsOnly()
{
    return QCborMap{
        {"fields", QCborArray{QCborMap{{"name", "A"}, {"type", "string"}, {"size", 2}}}}};
}

QByteArray withRows(const QCborArray &rows)
{
    QCborMap m = fieldsOnly();
    m.insert(QStringLiteral("rows"), rows);
    return QCborValue(m).toCbor();
}

// The rows as a record set loads them: left in the packet's bytes, each made into texts when read.
Packet decodeKept(const QByteArray &bytes)
{
    KeptRows kept;
    Packet p = decodeKeepingRows(bytes, kept);
    for (const qsizetype at : kept.at)
        p.rows.append(keptRow(kept.bytes, at, p.fields.size()));
    return p;
}

using Decoder = Packet (*)(const QByteArray &);
const Decoder decoders[] = {decode, decodeKept};

} // namespace

TEST(DataPacket, ContentRoundTripKeepsNullsEmptyTextAndLog)
{
    const Packet p = sampleContent();
    for (const Decoder read : decoders) {
        const Packet back = read(encode(p));
        EXPECT_FALSE(back.isDelta);
        ASSERT_EQ(back.fields.size(), 2);
        EXPECT_EQ(back.fields[1].name, "NMITEMDIME");
        EXPECT_EQ(back.fields[1].size, 30);
        EXPECT_EQ(back.rows, p.rows);
        EXPECT_FALSE(back.rows[1][1].has_value());
        ASSERT_TRUE(back.rows[2][0].has_value());
        EXPECT_TRUE(back.rows[2][0]->isEmpty());
        ASSERT_EQ(back.log.size(), 3);
        EXPECT_EQ(back.log[1].op, ChangeOp::Delete);
        EXPECT_EQ(back.log[1].oldRow, p.log[1].oldRow);
        EXPECT_EQ(back.log[2].row, 2);
    }

    // Kept rows outlive bytes that were only lent.
    const QByteArray encoded = encode(p);
    std::vector<char> lent(encoded.cbegin(), encoded.cend());
    KeptRows kept;
    decodeKeepingRows(QByteArray::fromRawData(lent.data(), qsizetype(lent.size())), kept);
    ASSERT_EQ(kept.at.size(), p.rows.size());
    std::fill(lent.begin(), lent.end(), '\0');
    EXPECT_EQ(keptRow(kept.bytes, kept.at[2], 2), p.rows[2]);
}

TEST(DataPacket, DeltaRoundTrip)
{
    Packet d;
    d.isDelta = true;
    d.fields = {{"A", 3}};
    d.changes = {{ChangeOp::Insert, std::nullopt, Row{QString("n")}},
                 {ChangeOp::Modify, Row{QString("o")}, Row{std::nullopt}},
                 {ChangeOp::Delete, Row{QString("x")}, std::nullopt}};
    const Packet back = decode(encode(d));
    EXPECT_TRUE(back.isDelta);
    ASSERT_EQ(back.changes.size(), 3);
    EXPECT_EQ(back.changes[1].op, ChangeOp::Modify);
    EXPECT_EQ(back.changes[1].oldRow, d.changes[1].oldRow);
    EXPECT_EQ(back.changes[1].newRow, d.changes[1].newRow);
    EXPECT_FALSE(back.changes[2].newRow.has_value());
}

TEST(DataPacket, EmptyContentIsAValidPacket)
{
    Packet p;
    p.fields = {{"CDFIELD", 30}};
    const Packet back = decode(encode(p));
    EXPECT_TRUE(back.rows.isEmpty());
    EXPECT_EQ(back.fields.size(), 1);
}

TEST(DataPacket, EveryTruncationIsRefused)
{
    const QByteArray bytes = encode(sampleContent());
    for (const Decoder read : decoders) {
        for (qsizetype n = 0; n < bytes.size(); ++n)
            EXPECT_THROW(read(bytes.left(n)), EDatabaseError) << "cut at " << n;
        EXPECT_THROW(read(bytes + char(0)), EDatabaseError);
        // Any byte changed to a telling value is read as some packet or refused, never more
        // (the sanitizers watch the reading).
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            for (const char byte : {'\x00', '\x17', '\x18', '\x1b', '\x1f', '\x5f', '\x7f',
                                    '\x9f', '\xbf', '\xf6', '\xff', char(bytes[n] ^ 0x80)}) {
                try {
                    read(QByteArray(bytes).replace(n, 1, QByteArray(1, byte)));
                } catch (const EDatabaseError &) {
                }
            }
        }
    }
}

TEST(DataPacket, ShapeErrorsAreRefusedWithAClearMessage)
{
    // a row of the wrong length, a non-text value
    EXPECT_THROW(decode(withRows(QCborArray{QCborValue(QCborArray{"a", "b"})})), EDatabaseError);
    EXPECT_THROW(decode(withRows(QCborArray{QCborValue(QCborArray{})})), EDatabaseError);
    EXPECT_THROW(decode(withRows(QCborArray{QCborValue(QCborArray{1})})), EDatabaseError);
    EXPECT_THROW(decode(withRows(QCborArray{"ab"})), EDatabaseError); // a row that is no array
    EXPECT_NO_THROW(decode(
        withRows(QCborArray{QCborValue(QCborArray{"ab"}), QCborValue(QCborArray{nullptr})})));

    // a value wider than its field is kept whole, never cut
    EXPECT_EQ(decode(withRows(QCborArray{QCborValue(QCborArray{"abc"})})).rows[0][0],
              QString("abc"));

    try {
        decode(withRows(QCborArray{QCborValue(QCborArray{"a", "b", "c"})}));
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.Message().contains("mais valores que campos")) << qPrintable(e.Message());
        EXPECT_TRUE(e.Message().startsWith("Pacote de dados inválido")) << qPrintable(e.Message());
    }

    // both rows and changes, neither, unknown keys, not a map, other field types
    QCborMap both = fieldsOnly();
    both.insert(QStringLiteral("rows"), QCborArray{});
    both.insert(QStringLiteral("changes"), QCborArray{});
    EXPECT_THROW(decode(QCborValue(both).toCbor()), EDatabaseError);
    EXPECT_THROW(decode(QCborValue(fieldsOnly()).toCbor()), EDatabaseError);
    QCborMap extra = fieldsOnly();
    extra.insert(QStringLiteral("rows"), QCborArray{});
    extra.insert(QStringLiteral("aggregates"), 1);
    EXPECT_THROW(decode(QCborValue(extra).toCbor()), EDatabaseError);
    EXPECT_THROW(decode(QCborValue(QCborArray{}).toCbor()), EDatabaseError);
    QCborMap numeric{
        {"fields", QCborArray{QCborMap{{"name", "A"}, {"type", "integer"}, {"size", 4}}}},
        {"rows", QCborArray{}}};
    EXPECT_THROW(decode(QCborValue(numeric).toCbor()), EDatabaseError);
    QCborMap twice{{"fields", QCborArray{QCborMap{{"name", "A"}, {"type", "string"}, {"size", 4}},
                                         QCborMap{{"name", "A"}, {"type", "string"}, {"size", 4}}}},
                   {"rows", QCborArray{}}};
    EXPECT_THROW(decode(QCborValue(twice).toCbor()), EDatabaseError);
    // a field without a name or type, or of no width or wider than any string field
    for (const QCborMap &field : {QCborMap{{"name", ""}, {"type", "string"}, {"size", 4}},
                                  QCborMap{{"name", "A"}, {"type", nullptr}, {"size", 4}},
                                  QCborMap{{"name", "A"}, {"type", "string"}, {"size", 0}},
                                  QCborMap{{"name", "A"}, {"type", "string"}, {"size", 32768}}})
        EXPECT_THROW(decode(QCborValue(QCborMap{{"fields", QCborArray{field}}, {"rows", QCborArray{}}})
                                .toCbor()),
                     EDatabaseError);
}

// Texts come back exactly, short or long, in one piece or in chunks, a leading U+FEFF included;
// bytes that are not UTF-8 are refused.
TEST(DataPacket, TextsComeBackExactlyAndInvalidUtf8IsRefused)
{
    const QString bom = QString(QChar(0xFEFF)) + QStringLiteral("abc");
    const QString longText = QString(3000, QChar(0xE9)) + QStringLiteral("𝄞");
    for (const Decoder read : decoders) {
        EXPECT_EQ(read(withRows(QCborArray{QCborValue(QCborArray{bom})})).rows[0][0], bom);
        EXPECT_EQ(read(withRows(QCborArray{QCborValue(QCborArray{longText})})).rows[0][0],
                  longText);
    }

    // A text in chunks after a plain row: every row comes back once, in order.
    const QByteArray plain =
        withRows(QCborArray{QCborValue(QCborArray{"x"}), QCborValue(QCborArray{"abc"})});
    ASSERT_TRUE(plain.contains("\x63" "abc"));
    QByteArray chunked = plain;
    chunked.replace("\x63" "abc", "\x7F\x61" "a" "\x62" "bc" "\xFF");
    // A key in chunks after the rows: the whole packet is read again, each row still once.
    QCborMap withLog = fieldsOnly();
    withLog.insert(QStringLiteral("rows"), QCborArray{QCborValue(QCborArray{"x"})});
    withLog.insert(QStringLiteral("log"), QCborArray{});
    QByteArray chunkedKey = QCborValue(withLog).toCbor();
    ASSERT_TRUE(chunkedKey.contains("\x63" "log"));
    chunkedKey.replace("\x63" "log", "\x7F\x63" "log" "\xFF");
    for (const Decoder read : decoders) {
        EXPECT_EQ(read(chunkedKey).rows.size(), 1);
        const Packet back = read(chunked);
        ASSERT_EQ(back.rows.size(), 2);
        EXPECT_EQ(back.rows[0][0], QString("x"));
        EXPECT_EQ(back.rows[1][0], QString("abc"));
        for (const char *invalid : {"\x63\xC3\x28" "c", "\x63\xED\xA0\x80", "\x63\xC0\xAF" "c"}) {
            QByteArray bad = plain;
            bad.replace("\x63" "abc", invalid);
            EXPECT_THROW(read(bad), EDatabaseError) << QByteArray(invalid).toHex().constData();
        }
    }
}

TEST(DataPacket, InconsistentChangesAndLogAreRefused)
{
    QCborMap m = fieldsOnly();
    m.insert(
        QStringLiteral("changes"),
        QCborArray{QCborMap{{"op", "insert"}, {"old", QCborArray{"a"}}, {"new", QCborArray{"b"}}}});
    EXPECT_THROW(decode(QCborValue(m).toCbor()), EDatabaseError);
    m.insert(QStringLiteral("changes"),
             QCborArray{QCborMap{{"op", "upsert"}, {"old", nullptr}, {"new", QCborArray{"b"}}}});
    EXPECT_THROW(decode(QCborValue(m).toCbor()), EDatabaseError);
    m.insert(QStringLiteral("changes"),
             QCborArray{QCborMap{{"op", "delete"}, {"old", nullptr}, {"new", nullptr}}});
    EXPECT_THROW(decode(QCborValue(m).toCbor()), EDatabaseError);

    Packet p = sampleContent();
    p.log = {{ChangeOp::Insert, 3, std::nullopt}};
    EXPECT_THROW(decode(encode(p)), EDatabaseError);
    p.log = {{ChangeOp::Insert, 0, std::nullopt}, {ChangeOp::Modify, 0, p.rows[0]}};
    EXPECT_THROW(decode(encode(p)), EDatabaseError);
    p.log = {{ChangeOp::Delete, 0, p.rows[0]}};
    EXPECT_THROW(decode(encode(p)), EDatabaseError);
}

TEST(DataPacket, OnlyByteArrayVariantsArePackets)
{
    EXPECT_THROW(fromVariant(Variant("packet")), EDatabaseError);
    EXPECT_THROW(fromVariant(VarArrayOf({1, 2})), EDatabaseError);
    EXPECT_THROW(fromVariant(Variant()), EDatabaseError);
    EXPECT_THROW(fromVariant(Variant::fromBytes(QByteArray())), EDatabaseError);
}

TEST(DataPacket, OversizedPacketIsRefusedBeforeParsing)
{
    QByteArray huge(MaxPacketBytes + 1, '\0');
    EXPECT_THROW(decode(huge), EDatabaseError);
}
