#include "WireProtocol.h"

#include "DataPacket.h"
#include "DecodeCharge.h"
#include "VariantCbor.h"

#include <QCborArray>
#include <QCborMap>
#include <gtest/gtest.h>
#include <limits>

using namespace wire;

TEST(FrameReader, YieldsWholeFramesWhateverTheChunking)
{
    const QByteArray a = frame("\x01");
    const QByteArray b = frame(QByteArray(70000, 'x'));
    const QByteArray all = a + b + a;
    FrameReader byteWise;
    QList<QByteArray> got;
    for (char c : all) {
        byteWise.append(QByteArray(1, c));
        while (auto item = byteWise.next())
            got << *item;
    }
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got[1].size(), 70000);
    FrameReader atOnce;
    atOnce.append(all);
    EXPECT_EQ(atOnce.next(), QByteArray("\x01"));
    EXPECT_EQ(atOnce.next()->size(), 70000);
    EXPECT_TRUE(atOnce.next().has_value());
    EXPECT_FALSE(atOnce.next().has_value());
    EXPECT_FALSE(atOnce.failed());
}

TEST(FrameReader, OversizedOrEmptyFrameFailsForGood)
{
    FrameReader reader(100);
    reader.append(frame(QByteArray(101, 'x')));
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.error().isEmpty());
    reader.append(frame("ok"));
    EXPECT_FALSE(reader.next().has_value());

    FrameReader exact(100);
    exact.append(frame(QByteArray(100, 'x')));
    EXPECT_TRUE(exact.next().has_value());

    FrameReader empty;
    empty.append(QByteArray(4, '\0'));
    EXPECT_FALSE(empty.next().has_value());
    EXPECT_TRUE(empty.failed());
}

TEST(WireCodec, RequestRoundTripKeepsNamesAndArgumentKinds)
{
    Request r{"KZR01200.rdmDimensao",
              "vdDimensao",
              {Variant(""), VarArrayOf({"DSPKDIME", "DSITEMDIME"}),
               Variant::fromBytes(QByteArray("\0\1", 2))}};
    const Request back = decodeRequest(encodeRequest(r));
    EXPECT_EQ(back.module, r.module);
    EXPECT_EQ(back.method, "vdDimensao");
    ASSERT_EQ(back.args.size(), 3);
    EXPECT_EQ(back.args[0].varType(), Variant::varOleStr);
    EXPECT_TRUE(back.args[1] == r.args[1]);
    EXPECT_TRUE(back.args[2] == r.args[2]);

    // every kind an argument can be, at the edges of how its length or value is written
    Request kinds{QStringLiteral("\uFEFFMódulo"), "m", {}};
    for (const qint64 n : {qint64(0), qint64(23), qint64(24), qint64(255), qint64(256),
                           qint64(65536), qint64(1) << 32, std::numeric_limits<qint64>::max(),
                           qint64(-1), qint64(-25), std::numeric_limits<qint64>::min()})
        kinds.args.append(Variant(n));
    kinds.args << Variant::Null() << Variant(QString()) << Variant(QStringLiteral("\uFEFFÁgua ação"))
               << Variant(QString(300, QLatin1Char('x'))) << Variant::fromBytes(QByteArray())
               << VarArrayOf({}) << VarArrayOf({Variant::Null(), Variant(qint64(7))});
    // the rarer kinds, alone and beside the others
    Request rarer = kinds;
    rarer.args << Variant() << Variant(true) << Variant(1.5)
               << VarArrayOf({VarArrayOf({Variant(QStringLiteral("fundo"))})});
    for (const Request &sent : {kinds, rarer}) {
        const Request again = decodeRequest(encodeRequest(sent));
        EXPECT_EQ(again.module, sent.module);
        ASSERT_EQ(again.args.size(), sent.args.size());
        for (qsizetype i = 0; i < sent.args.size(); ++i)
            EXPECT_TRUE(again.args[i] == sent.args[i] && again.args[i].kind() == sent.args[i].kind())
                << "argument " << i;
    }
}

TEST(WireCodec, ReplyCarriesResultByRefOrFault)
{
    Reply r;
    r.result = Variant::Null();
    r.byRef = {{1, VarArrayOf({"X"})}};
    const Reply back = decodeReply(encodeReply(r));
    EXPECT_TRUE(back.result.isNull());
    EXPECT_FALSE(back.fault.has_value());
    ASSERT_EQ(back.byRef.size(), 1);
    EXPECT_EQ(back.byRef[0].first, 1);
    EXPECT_TRUE(back.byRef[0].second == VarArrayOf({"X"}));

    // the map form {index: value} means the same
    const Reply fromMap = decodeReply(
        QCborValue(QCborMap{{"result", 1}, {"byref", QCborMap{{2, QCborArray{"Y"}}}}}).toCbor());
    ASSERT_EQ(fromMap.byRef.size(), 1);
    EXPECT_EQ(fromMap.byRef[0].first, 2);
    EXPECT_TRUE(fromMap.byRef[0].second == VarArrayOf({"Y"}));
    EXPECT_THROW(
        decodeReply(QCborValue(QCborMap{{"result", 1}, {"byref", QCborMap{{"x", 1}}}}).toCbor()),
        EConnectionError);

    Reply empty;
    EXPECT_TRUE(decodeReply(encodeReply(empty)).result.isEmpty());

    Reply fault;
    fault.fault = "Método \"x\" desconhecido";
    EXPECT_EQ(decodeReply(encodeReply(fault)).fault, fault.fault);

    // bytes, the result of every list, at each size their length is written in, and through a
    // frame read whole, whose buffer becomes the result
    for (qsizetype size : {0, 23, 24, 255, 256, 65535, 65536, 70000}) {
        QByteArray payload(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            payload[i] = char(i * 7 + size);
        Reply list;
        list.result = Variant::fromBytes(payload);
        EXPECT_TRUE(decodeReply(encodeReply(list)).result == list.result) << size;
        FrameReader reader(1 << 20);
        reader.append(frame(encodeReply(list)));
        std::optional<QByteArray> item = reader.next();
        ASSERT_TRUE(item.has_value()) << size;
        EXPECT_TRUE(decodeReply(std::move(*item)).result == list.result) << size;
    }
}

TEST(WireCodec, MalformedMessagesAreConnectionErrors)
{
    auto cbor = [](const QCborValue &v) { return v.toCbor(); };
    EXPECT_THROW(decodeRequest(cbor(QCborMap{{"module", "m"}, {"args", QCborArray{}}})),
                 EConnectionError);
    EXPECT_THROW(decodeRequest(cbor(QCborMap{{"module", "m"}, {"method", "x"}, {"args", 1}})),
                 EConnectionError);
    EXPECT_THROW(decodeRequest(cbor(
                     QCborMap{{"module", "m"}, {"method", "x"}, {"args", QCborArray{QCborMap{}}}})),
                 EConnectionError);
    EXPECT_THROW(decodeRequest(cbor(QCborMap{
                     {"module", "m"}, {"method", "x"}, {"args", QCborArray{}}, {"extra", 1}})),
                 EConnectionError);
    EXPECT_THROW(decodeRequest(cbor(QCborArray{})), EConnectionError);
    EXPECT_THROW(decodeRequest(QByteArray("\xa3\x01")), EConnectionError);
    try {
        decodeRequest(encodeRequest(Request{"m", "x", {}}) + char(0));
        ADD_FAILURE() << "a request followed by more bytes was taken";
    } catch (const EConnectionError &e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Requisição malformada: ")))
            << qPrintable(e.Message());
    }
    // Every cut and every byte changed to a telling value: a request comes back that says the
    // same when sent again, or the request is refused; never anything else (the sanitizers
    // watch the reading).
    const QByteArray good = encodeRequest(
        {"KZR01200.rdmDimensao", "vdDimensao",
         {Variant(QStringLiteral("DIMENSÃO")), VarArrayOf({"DSPKDIME", Variant::Null()}),
          Variant(qint64(-70000)), Variant::fromBytes(QByteArray("\xa1", 1))}});
    QList<QByteArray> damaged;
    for (qsizetype n = 0; n < good.size(); ++n) {
        damaged << good.left(n);
        for (const char byte : {'\x00', '\x17', '\x18', '\x1b', '\x1f', '\x3f', '\x5f', '\x7f',
                                '\x9f', '\xbf', '\xdf', '\xf6', '\xf7', '\xff', char(good[n] ^ 0x80)})
            damaged << QByteArray(good).replace(n, 1, QByteArray(1, byte));
    }
    for (const QByteArray &bytes : damaged) {
        try {
            const Request taken = decodeRequest(bytes);
            const Request again = decodeRequest(encodeRequest(taken));
            EXPECT_TRUE(again.module == taken.module && again.method == taken.method &&
                        again.args.size() == taken.args.size())
                << bytes.toHex().constData();
            for (qsizetype i = 0; i < qMin(again.args.size(), taken.args.size()); ++i)
                EXPECT_TRUE(again.args[i] == taken.args[i]) << bytes.toHex().constData();
        } catch (const EConnectionError &) {
        }
    }
    EXPECT_THROW(decodeReply(cbor(QCborMap{})), EConnectionError);
    EXPECT_THROW(decodeReply(cbor(QCborMap{{"fault", 3}})), EConnectionError);
    EXPECT_THROW(
        decodeReply(cbor(QCborMap{{"result", 1}, {"byref", QCborArray{QCborArray{-1, 2}}}})),
        EConnectionError);
    EXPECT_THROW(decodeReply(cbor(QCborMap{{"result", QCborMap{}}})), EConnectionError);
    // bytes whose written length is not what follows it
    const QByteArray list = cbor(QCborMap{{"result", QByteArray(300, 'x')}});
    EXPECT_THROW(decodeReply(list.chopped(1)), EConnectionError);
    EXPECT_THROW(decodeReply(list + char(0)), EConnectionError);
}

namespace {

// An account of a fixed room that remembers the most it ever lent.
struct CountingAccount : DecodeAccount
{
    explicit CountingAccount(qint64 room) : room(room) {}
    bool take(qint64 bytes) override
    {
        if (bytes > room - used) return false;
        peak = std::max(peak, used += bytes);
        return true;
    }
    void giveBack(qint64 bytes) override { used -= bytes; }
    qint64 room, used = 0, peak = 0;
};

// A request whose arguments claim `claimed` elements and bring `nulls` one-byte nulls, in
// the writer's form or in one only the full reader takes (a float after them).
QByteArray nullsRequest(quint32 claimed, quint32 nulls, bool plain = true)
{
    QByteArray item = encodeRequest({"m", "x", {}});
    item.chop(1); // the empty array
    item += '\x9a';
    for (int shift = 24; shift >= 0; shift -= 8)
        item += char(claimed >> shift);
    item += QByteArray(qsizetype(nulls), '\xf6');
    if (!plain) item += QByteArray("\xf9\x3c\x00", 3);
    return item;
}

} // namespace

// What decoding builds is charged before it is built: an array of one-byte nulls costs a
// bounded multiple of its bytes, whichever reader takes it, and an account without room for
// it refuses it before anything is built. A header that claims more than the bytes is refused.
TEST(WireCodec, DecodingChargesWhatItBuildsAndBuildsNoMoreThanTheBytesPayFor)
{
    constexpr quint32 N = 100'000;
    for (const bool plain : {true, false}) {
        CountingAccount account(qint64(1) << 40);
        qint64 charged = 0;
        {
            DecodeCharge charge(account);
            EXPECT_EQ(decodeRequest(nullsRequest(N + (plain ? 0 : 1), N, plain)).args.size(),
                      N + (plain ? 0 : 1));
            charged = charge.charged();
        }
        EXPECT_GE(charged, qint64(N * sizeof(Variant))) << plain;
        EXPECT_LE(charged, qint64(N) * 100) << plain;
        EXPECT_EQ(account.used, 0);
        // Too little room: refused, having taken no more than the room.
        CountingAccount small(N * 8);
        DecodeCharge charge(small);
        EXPECT_THROW(decodeRequest(nullsRequest(N, N, plain)), EDecodeRefused);
        EXPECT_LE(small.peak, small.room);
    }
    EXPECT_THROW(decodeRequest(nullsRequest(0xffffffff, 8)), EConnectionError);
    // A packet's rows likewise: made of nulls, each charged as the row it becomes.
    QByteArray rows = packet::encode({{{"A", 1}}, {}, {}, {}, false});
    CountingAccount account(qint64(1) << 40);
    DecodeCharge charge(account);
    EXPECT_TRUE(packet::decode(rows).rows.isEmpty());
    EXPECT_EQ(charge.charged(), 0);
    rows.chop(1); // the empty rows
    rows += '\x9a' + QByteArray("\x00\x01\x86\xa0", 4);
    for (quint32 i = 0; i < N; ++i)
        rows += QByteArray("\x81\xf6", 2);
    EXPECT_EQ(packet::decode(rows).rows.size(), N);
    EXPECT_GE(charge.charged(), qint64(N) * 2 * qint64(sizeof(std::optional<QString>)));
}

// The bytes docs/protocol.md shows, so that a client written from the document alone works.
TEST(WireCodec, DocumentedBytesAreWhatWeSendAndRead)
{
    const QByteArray request = QByteArray::fromHex(
        "00000038a3666d6f64756c65744b5a5230313230302e72646d44696d656e73616f666d6574686f646b6765"
        "7444696d656e73616f646172677382"
        "6060");
    EXPECT_EQ(
        frame(encodeRequest({"KZR01200.rdmDimensao", "getDimensao", {Variant(""), Variant("")}}))
            .toHex(),
        request.toHex());
    const QByteArray replyFrame = QByteArray::fromHex("0000000ca166726573756c7443616263");
    FrameReader reader;
    reader.append(replyFrame);
    const Reply reply = decodeReply(*reader.next());
    EXPECT_EQ(reply.result.bytes(), "abc");
    // The server writes its replies straight into the frame, length included.
    Reply abc;
    abc.result = Variant::fromBytes("abc");
    EXPECT_EQ(encodeReplyFrame(abc).toHex(), replyFrame.toHex());
}

TEST(VariantCbor, MappingIsOneToOne)
{
    const QList<Variant> samples = {
        Variant(),
        Variant::Null(),
        Variant("Dimensão"),
        Variant(qint64(1) << 40),
        Variant(false),
        Variant(0.1),
        Variant::fromBytes(QByteArray(1000, '\0')),
        VarArrayOf({Variant(), Variant::Null(), VarArrayOf({"x", 1}), Variant::fromBytes("p")}),
    };
    for (const Variant &v : samples) {
        const QCborValue cbor = QCborValue::fromCbor(toCbor(v).toCbor());
        const Variant back = fromCbor(cbor);
        EXPECT_TRUE(back == v) << qPrintable(cbor.toDiagnosticNotation());
        EXPECT_EQ(back.varType(), v.varType());
    }
    EXPECT_TRUE(fromCbor(QCborValue(QCborSimpleType::Undefined)).isEmpty());
    EXPECT_THROW(fromCbor(QCborMap{{"a", 1}}), EVariantError);
    EXPECT_THROW(fromCbor(QCborValue(QCborKnownTags::DateTimeString, "x")), EVariantError);
    EXPECT_THROW(fromCbor(QCborArray{1, QCborMap{}}), EVariantError);
}
