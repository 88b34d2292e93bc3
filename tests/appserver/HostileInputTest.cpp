// What a hostile or broken client may send: names built to break out of SQL, frames that
// lie about their length, bytes that are no CBOR, requests of the wrong shape. Each gets its
// answer and the server goes on serving everyone else.
#include "Deltas.h"
#include "RawWireClient.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TestClient.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

const QStringList HostileNames = {
    "X\"; DROP TABLE CLIENTE; --",
    "CLIENTE'; DELETE FROM X;--",
    "CLIENTE\"",
    "\"CLIENTE\"",
    "CLIENTE; SELECT 1",
    "' OR '1'='1",
    "CLIENTE--",
    "sqlite_master",
    "main.CLIENTE",
    "%",
    "_LIENTE",
};

class HostileInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        client = std::make_unique<TestClient>(server);
    }

    // The server still answers a good call, on a fresh connection.
    void expectStillServing()
    {
        TestClient fresh(server);
        EXPECT_EQ(fresh.codes().size(), 5);
        EXPECT_EQ(TestClient::column(fresh.extras("00001"), "CDATRIBEXTRDIME").size(), 3);
    }

    ServerProcess server;
    std::unique_ptr<TestClient> client;
};

TEST_F(HostileInput, HostileNamesAreNamesThatDoNotExist)
{
    for (const QString &name : HostileNames) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LE(name.size(), 30);
        Variant fields = VarArrayOf({Variant(QString("CDCLIENTE")), Variant(name)});
        const Variant table = client->dimensao("vdDimensao", {name, RemoteArg::ByRef(fields)});
        ASSERT_EQ(table.kind(), Variant::Kind::Array);
        EXPECT_EQ(table.element(0).toString(), "INV_TABELA" + name);

        const Variant field = client->dimensao("vdDimensao", {"CLIENTE", RemoteArg::ByRef(fields)});
        ASSERT_EQ(field.kind(), Variant::Kind::Array);
        EXPECT_EQ(field.element(0).toString(), "INV_CAMPO" + name + ".CLIENTE");

        EXPECT_TRUE(client->dimensions(name.left(5), name).rows.isEmpty());
        EXPECT_TRUE(client->extras(name.left(5)).rows.isEmpty());
        EXPECT_TRUE(
            TestClient::packetOf(client->dimensao("vdExtras", {"00001", name, ""})).rows.isEmpty());
        EXPECT_TRUE(
            TestClient::packetOf(client->dimensao("vdExtras", {"00001", "", name})).rows.isEmpty());
        EXPECT_TRUE(server_failure::is(client->estrutura("getFields", {"D", name})));
    }
    // Values are stored as given and read back whole.
    const QString sly = "a'); DROP TABLE CLIENTE;--";
    ASSERT_EQ(client->saveDimensions(deltas::ofDimensions(
                  {deltas::insert(deltas::dimension("00077", sly, sly, sly, "\"; --"))})),
              "");
    const packet::Packet back = client->dimensions("00077");
    ASSERT_EQ(back.rows.size(), 1);
    EXPECT_EQ(back.rows[0], deltas::dimension("00077", sly, sly, sly, "\"; --"));
    EXPECT_EQ(client->saveDimensions(deltas::ofDimensions({deltas::remove(back.rows[0])})), "");
    EXPECT_EQ(TestClient::column(
                  TestClient::packetOf(client->estrutura("getFields", {"D", "CLIENTE"})), "CDFIELD")
                  .size(),
              5);
    expectStillServing();
}

TEST_F(HostileInput, BrokenFramesGetFaultsAndOthersGoOnBeingServed)
{
    RawWireClient raw;
    ASSERT_TRUE(raw.connectTo(server.host(), server.port()));
    // Bytes that are no CBOR, a CBOR item that is no request map, a request missing its
    // arguments, arguments that are no array: each a fault, and the connection stays usable.
    QCborArray twoTexts;
    twoTexts.append(QString());
    twoTexts.append(QString());
    QCborMap moduleNotText;
    moduleNotText.insert(QString("module"), 7);
    moduleNotText.insert(QString("method"), QString("getDimensao"));
    moduleNotText.insert(QString("args"), twoTexts);
    const QList<QByteArray> badItems = {
        QByteArray("\xff\xfe\xfd garbage", 12),
        QByteArray("\x83\x01\x02\x03", 4), // [1, 2, 3]
        QCborValue(QCborMap{{"module", "KZR01200.rdmDimensao"}, {"method", "getDimensao"}})
            .toCbor(),
        QCborValue(
            QCborMap{{"module", "KZR01200.rdmDimensao"}, {"method", "getDimensao"}, {"args", "x"}})
            .toCbor(),
        QCborValue(moduleNotText).toCbor(),
        QByteArray("\x82\x01", 2), // an array cut short
    };
    for (const QByteArray &item : badItems) {
        raw.sendItem(item);
        const auto reply = raw.readReply();
        ASSERT_TRUE(reply.has_value());
        ASSERT_TRUE(reply->fault.has_value());
        EXPECT_FALSE(reply->fault->isEmpty());
    }
    raw.sendRequest({"KZR01200.rdmDimensao", "getDimensao", {Variant(""), Variant("Clientes")}});
    const auto good = raw.readReply();
    ASSERT_TRUE(good.has_value());
    EXPECT_FALSE(good->fault.has_value());
    EXPECT_EQ(packet::fromVariant(good->result).rows.size(), 1);

    // A length over the frame limit: a fault, then the server hangs up.
    RawWireClient oversize;
    ASSERT_TRUE(oversize.connectTo(server.host(), server.port()));
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(wire::MaxFrameBytes + 1, header.data());
    oversize.sendBytes(header + QByteArray(64, 'x'));
    const auto refused = oversize.readReply();
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->fault.has_value());
    EXPECT_TRUE(oversize.waitClosed());

    // A flood of requests sent without waiting for replies: those already queued are
    // answered in order, then a fault, then the server hangs up.
    RawWireClient flood;
    ASSERT_TRUE(flood.connectTo(server.host(), server.port()));
    QByteArray many;
    for (int i = 0; i < 2000; ++i)
        many += wire::frame(wire::encodeRequest(
            {"KZR01200.rdmDimensao", "getDimensao", {Variant(""), Variant("Clientes")}}));
    flood.sendBytes(many);
    int answered = 0;
    std::optional<wire::Reply> last;
    while ((last = flood.readReply()) && !last->fault)
        ++answered;
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(last->fault->contains("64")) << *last->fault;
    EXPECT_LT(answered, 2000);
    EXPECT_TRUE(flood.waitClosed());

    // A client that sends half a frame and stalls holds up nobody.
    RawWireClient stalled;
    ASSERT_TRUE(stalled.connectTo(server.host(), server.port()));
    stalled.sendBytes(QByteArray("\x00\x00\x10\x00\xa3", 5));
    expectStillServing();
}

TEST_F(HostileInput, AWrongArgumentIsRefusedBeforeAnythingIsStored)
{
    RawWireClient raw;
    ASSERT_TRUE(raw.connectTo(server.host(), server.port()));
    packet::Packet notADelta;
    notADelta.fields = deltas::DimensionFields;
    const QList<QList<Variant>> badArgs = {
        {},
        {Variant(QString("x"))},
        {Variant::fromBytes("not a packet")},
        {packet::toVariant(notADelta)},
        {deltas::of({{"NRSEQUEDIME", 5}},
                    {deltas::insert({QString("00050")})})}, // lacks the other fields
    };
    for (const QList<Variant> &args : badArgs) {
        raw.sendRequest({"KZR01200.rdmDimensao", "SetDimensao", args});
        const auto reply = raw.readReply();
        ASSERT_TRUE(reply.has_value());
        EXPECT_TRUE(reply->fault.has_value());
    }
    expectStillServing();
}

} // namespace
