// What a hostile or broken client may send: names built to break out of SQL, frames that
// lie about their length, bytes that are no CBOR, requests of the wrong shape; and what it may
// hold on to: connections, unread replies, frames never finished. Each gets its answer, no
// one holds more of the server than its limits, and the server goes on serving everyone else.
// The server runs with small limits so that they are reached quickly.
#include "Deltas.h"
#include "OpsPage.h"
#include "RawWireClient.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TestClient.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamWriter>
#include <QCborValue>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtEndian>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    "UsuarioServidor", // the server's own tables, in any case
    "acessoservidor",
    "main.CLIENTE",
    "%",
    "_LIENTE",
};

constexpr int MaxConnections = 40;
constexpr int MaxFrameBytes = 256 * 1024;
constexpr int InputBudgetBytes = 800 * 1024; // three stalled frames of the largest size fit
const QStringList SmallLimits = {"--max-connections",     QString::number(MaxConnections),
                                 "--max-frame-bytes",     "256K",
                                 "--input-budget",        "800K",
                                 "--output-buffer",       "16K",
                                 "--frame-timeout",       "1",
                                 "--write-stall-timeout", "1",
                                 "--idle-timeout",        "3"};

QByteArray getDimensaoFrame(const QString &code = QString())
{
    return wire::frame(wire::encodeRequest(
        {"KZR01200.rdmDimensao", "getDimensao", {Variant(code), Variant(QString())}}));
}

// Whether the server's end of a loopback connection is still established, as the system's
// table of TCP sockets tells it.
bool serverEndEstablished(quint16 serverPort, int clientSocket)
{
    sockaddr_in mine{};
    socklen_t size = sizeof mine;
    ::getsockname(clientSocket, reinterpret_cast<sockaddr *>(&mine), &size);
    const QString local = QString(":%1 ").arg(serverPort, 4, 16, QChar('0')).toUpper();
    const QString remote = QString(":%1 ").arg(ntohs(mine.sin_port), 4, 16, QChar('0')).toUpper();
    QFile table("/proc/net/tcp");
    if (!table.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QStringList fields = QString(line).simplified().split(' ');
        if (fields.size() > 3 && (fields[1] + ' ').endsWith(local) &&
            (fields[2] + ' ').endsWith(remote))
            return fields[3] == "01";
    }
    return false;
}

QByteArray lengthHeader(quint32 length)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(length, bytes.data());
    return bytes;
}

// A bare IPv4 socket whose receive buffer is set before it connects, so that the system cannot
// hide a client that does not read behind large, growing buffers (Qt reads whenever it waits).
int connectWithSmallReceiveBuffer(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int bytes = 4096;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

class HostileInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(QString(), SmallLimits)) << server.error().toStdString();
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
    // Values are stored as given and read back whole; a table of such a name is none.
    const QString sly = "a'); DROP TABLE CLIENTE;--";
    EXPECT_EQ(client->saveDimensions(deltas::ofDimensions(
                  {deltas::insert(deltas::dimension("00077", sly, sly, sly, "\"; --"))})),
              "Dimensão 00077: Tabela \"" + sly + "\" inválida. Nada foi gravado.");
    ASSERT_EQ(client->saveDimensions(
                  deltas::ofDimensions({deltas::insert(deltas::dimension("00077", sly))})),
              "");
    const packet::Packet back = client->dimensions("00077");
    ASSERT_EQ(back.rows.size(), 1);
    EXPECT_EQ(back.rows[0], deltas::dimension("00077", sly));
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
    ASSERT_TRUE(raw.resume(server.access().sessionToken));
    // Bytes that are no CBOR, a CBOR item that is no request map, a request missing its
    // arguments, arguments that are no array: each a fault, and the connection stays usable.
    QCborArray twoTexts;
    twoTexts.append(QString());
    twoTexts.append(QString());
    QCborMap moduleNotText;
    moduleNotText.insert(QString("module"), 7);
    moduleNotText.insert(QString("method"), QString("getDimensao"));
    moduleNotText.insert(QString("args"), twoTexts);
    // A request that names its method twice: refused, not read as the first or the last.
    QByteArray repeatedKey;
    {
        QCborStreamWriter w(&repeatedKey);
        w.startMap(4);
        w.append(QLatin1String("module"));
        w.append(QLatin1String("KZR01200.rdmDimensao"));
        w.append(QLatin1String("method"));
        w.append(QLatin1String("getDimensao"));
        w.append(QLatin1String("args"));
        w.startArray(2);
        w.append(QLatin1String(""));
        w.append(QLatin1String(""));
        w.endArray();
        w.append(QLatin1String("method"));
        w.append(QLatin1String("getDimensao"));
        w.endMap();
    }
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
    raw.sendItem(repeatedKey);
    const auto repeated = raw.readReply();
    ASSERT_TRUE(repeated.has_value() && repeated->fault.has_value());
    EXPECT_TRUE(repeated->fault->contains("\"method\" repetida")) << *repeated->fault;
    raw.sendRequest({"KZR01200.rdmDimensao", "getDimensao", {Variant(""), Variant("Clientes")}});
    const auto good = raw.readReply();
    ASSERT_TRUE(good.has_value());
    EXPECT_FALSE(good->fault.has_value());
    EXPECT_EQ(packet::fromVariant(good->result).rows.size(), 1);

    // A length over the frame limit: a fault, then the server hangs up.
    RawWireClient oversize;
    ASSERT_TRUE(oversize.connectTo(server.host(), server.port()));
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(MaxFrameBytes + 1, header.data());
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
    ASSERT_TRUE(raw.resume(server.access().sessionToken));
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

    // A log row number is checked before it is narrowed: -4294967293 is no row 3.
    for (const qint64 row : {qint64(-4294967293LL), qint64(-1), qint64(4294967299LL)}) {
        QByteArray bytes;
        QCborStreamWriter w(&bytes);
        w.startMap(3);
        w.append(QLatin1String("fields"));
        w.startArray(1);
        w.startMap(3);
        w.append(QLatin1String("name"));
        w.append(QLatin1String("A"));
        w.append(QLatin1String("type"));
        w.append(QLatin1String("string"));
        w.append(QLatin1String("size"));
        w.append(qint64(5));
        w.endMap();
        w.endArray();
        w.append(QLatin1String("rows"));
        w.startArray(4);
        for (const char *value : {"1", "2", "3", "4"}) {
            w.startArray(1);
            w.append(QLatin1String(value));
            w.endArray();
        }
        w.endArray();
        w.append(QLatin1String("log"));
        w.startArray(1);
        w.startMap(3);
        w.append(QLatin1String("op"));
        w.append(QLatin1String("modify"));
        w.append(QLatin1String("row"));
        w.append(row);
        w.append(QLatin1String("old"));
        w.startArray(1);
        w.append(QLatin1String("x"));
        w.endArray();
        w.endMap();
        w.endArray();
        w.endMap();
        EXPECT_THROW(packet::decode(bytes), EDatabaseError) << row;
    }
}

// Enough dimensions that every list is a reply larger than the system's socket buffers can
// hide.
QString saveManyDimensions(TestClient &client)
{
    QVector<packet::Change> many;
    for (int i = 0; i < 2000; ++i)
        many << deltas::insert(deltas::dimension(QString::number(100 + i),
                                                 QString("Dimensão número %1").arg(i, 12),
                                                 "CLIENTE", "CDCLIENTE", "NMCLIENTE"));
    return client.saveDimensions(deltas::ofDimensions(many));
}

// What a client that never reads sends: its session, then many lists.
QByteArray deafAsks(const ServerProcess &server, int asked)
{
    QByteArray asks = wire::frame(wire::encodeRequest({QStringLiteral("KZR.Sessao"),
                                                       QStringLiteral("resume"),
                                                       {Variant(server.access().sessionToken)}}));
    for (int i = 0; i < asked; ++i)
        asks += getDimensaoFrame();
    return asks;
}

TEST_F(HostileInput, ClientsThatHoldOnToTheServerAreLetGo)
{
    ASSERT_EQ(saveManyDimensions(*client), "");
    // Idle after an answer: the clock runs from the reply, whoever wrote it.
    RawWireClient idle;
    ASSERT_TRUE(idle.connectTo(server.host(), server.port()));
    ASSERT_TRUE(idle.resume(server.access().sessionToken));

    // A frame begun and never finished: a fault once its time is up, then the server hangs up.
    RawWireClient stalled;
    ASSERT_TRUE(stalled.connectTo(server.host(), server.port()));
    QElapsedTimer clock;
    clock.start();
    stalled.sendBytes(lengthHeader(1000) + QByteArray(10, 'x'));
    const auto timedOut = stalled.readReply(8000);
    ASSERT_TRUE(timedOut.has_value() && timedOut->fault.has_value());
    EXPECT_TRUE(timedOut->fault->contains("não chegou inteiro")) << *timedOut->fault;
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(stalled.waitClosed());

    // A client that asks and never reads gets no further replies once its unread ones fill
    // the output limit, and is dropped when it stays so.
    const int deaf = connectWithSmallReceiveBuffer(server.port());
    ASSERT_GE(deaf, 0);
    // 60 lists of 2,005 dimensions: far more than the system's socket buffers can take in.
    constexpr int Asked = 60;
    // It joins the fixture's session first, so that its asks are served, not refused.
    const QByteArray asks = deafAsks(server, Asked);
    ASSERT_EQ(::send(deaf, asks.constData(), size_t(asks.size()), 0), asks.size());
    // The server fills the buffers, pauses, reaches its 1 s limit and hangs up: its end of the
    // connection leaves the established state, its last bytes still waiting for the reader.
    QElapsedTimer dropped;
    dropped.start();
    while (serverEndEstablished(server.port(), deaf) && dropped.elapsed() < 15000)
        QThread::msleep(20);
    EXPECT_FALSE(serverEndEstablished(server.port(), deaf)) << "the server did not hang up";
    // Then it reads: what the system had taken in, and the end of the connection.
    wire::FrameReader reader;
    int answered = 0;
    char buffer[65536];
    timeval wait{3, 0};
    ::setsockopt(deaf, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ssize_t got;
    while ((got = ::recv(deaf, buffer, sizeof buffer, 0)) > 0) {
        reader.append(QByteArray(buffer, int(got)));
        while (const auto item = reader.next()) {
            EXPECT_FALSE(wire::decodeReply(*item).fault.has_value());
            ++answered;
        }
    }
    ::close(deaf);
    EXPECT_LT(answered, Asked + 1);
    EXPECT_EQ(got, 0) << "the server did not hang up"; // 0: the end; -1: the wait ran out

    // The idle connection is gone by now; the fixture's client, idle as long, connects afresh.
    EXPECT_TRUE(idle.waitClosed(2000));
    EXPECT_EQ(client->codes().size(), 2005);
    EXPECT_EQ(TestClient(server).codes().size(), 2005);
}

// Unread replies are bounded for all connections together as well: past the shared budget a
// connection with unread replies is served nothing more until it reads them, while clients
// that read go on being served.
TEST(SlowReaders, TogetherHoldNoMoreThanTheOutputBudget)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(QString(), {"--output-budget", "64K", "--metrics", "127.0.0.1:0"}))
        << server.error().toStdString();
    const OpsPage ops(server);
    TestClient client(server);
    ASSERT_EQ(saveManyDimensions(client), "");
    const QString lists = R"(kzr_requests_total{module="KZR01200.rdmDimensao",method="getDimensao"})";
    const double before = ops.metric(lists);
    constexpr int Deaf = 4;
    // 60 lists of 2,005 dimensions: more than the system's buffers take, less than
    // --output-buffer.
    constexpr int Asked = 60;
    std::vector<int> deaf;
    for (int i = 0; i < Deaf; ++i) {
        deaf.push_back(connectWithSmallReceiveBuffer(server.port()));
        const QByteArray asks = deafAsks(server, Asked);
        ASSERT_EQ(::send(deaf.back(), asks.constData(), size_t(asks.size()), 0), asks.size());
    }
    // Each gets what the system takes and a list more, then nothing while it does not read.
    double served = 0;
    for (QDeadlineTimer deadline(3000); served < Deaf * Asked && !deadline.hasExpired();
         QThread::msleep(100))
        served = ops.metric(lists) - before;
    EXPECT_GE(served, Deaf);
    EXPECT_LT(served, Deaf * Asked);
    const double unread = ops.metric("kzr_unread_reply_bytes");
    EXPECT_GT(unread, 64 * 1024);
    EXPECT_LE(unread, 64 * 1024 + Deaf * 512 * 1024);
    EXPECT_EQ(client.codes().size(), 2005); // a client that reads is served
    // One that reads gets everything it asked for.
    wire::FrameReader reader;
    int answered = 0;
    char buffer[65536];
    timeval wait{5, 0};
    ::setsockopt(deaf.front(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    for (ssize_t got = 1; answered < Asked + 1 && got > 0;) {
        got = ::recv(deaf.front(), buffer, sizeof buffer, 0);
        reader.append(QByteArray(buffer, int(std::max<ssize_t>(got, 0))));
        while (const auto item = reader.next()) {
            EXPECT_FALSE(wire::decodeReply(*item).fault.has_value());
            ++answered;
        }
    }
    EXPECT_EQ(answered, Asked + 1);
    for (const int fd : deaf)
        ::close(fd);
}

TEST_F(HostileInput, RequestsAreAnsweredInOrderHoweverTheirBytesArrive)
{
    RawWireClient raw;
    ASSERT_TRUE(raw.connectTo(server.host(), server.port()));
    ASSERT_TRUE(raw.resume(server.access().sessionToken));
    const auto codesOf = [&](int replies) {
        QStringList codes;
        for (int i = 0; i < replies; ++i) {
            const auto reply = raw.readReply();
            if (!reply || reply->fault) return codes << "no answer";
            codes
                << TestClient::column(TestClient::packetOf(reply->result), "NRSEQUEDIME").join(',');
        }
        return codes;
    };
    const QByteArray first = getDimensaoFrame("00001");
    // One frame in pieces.
    raw.sendBytes(first.left(3));
    QThread::msleep(50);
    raw.sendBytes(first.mid(3, 10));
    QThread::msleep(50);
    raw.sendBytes(first.mid(13));
    EXPECT_EQ(codesOf(1), QStringList({"00001"}));
    // Two at once, then one frame and the start of the next.
    raw.sendBytes(getDimensaoFrame("00003") + getDimensaoFrame("99999") + first);
    EXPECT_EQ(codesOf(3), QStringList({"00003", "", "00001"}));
    raw.sendBytes(getDimensaoFrame("00002") + first.left(5));
    QThread::msleep(50);
    raw.sendBytes(first.mid(5));
    EXPECT_EQ(codesOf(2), QStringList({"00002", "00001"}));
    // A broken frame after good ones still gets its fault.
    raw.sendBytes(getDimensaoFrame("00004") + lengthHeader(MaxFrameBytes + 1));
    EXPECT_EQ(codesOf(1), QStringList({"00004"}));
    const auto fault = raw.readReply();
    ASSERT_TRUE(fault.has_value() && fault->fault.has_value());
    EXPECT_TRUE(raw.waitClosed());
}

TEST_F(HostileInput, AReplyForAClientGoneMeanwhileReachesNoOneElse)
{
    // A save waits for the write lock another program holds; its client hangs up meanwhile.
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(server.sqlitePath());
        ASSERT_TRUE(holder.open());
        QSqlQuery lock(holder);
        ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));
        RawWireClient gone;
        ASSERT_TRUE(gone.connectTo(server.host(), server.port()));
        ASSERT_TRUE(gone.resume(server.access().sessionToken));
        gone.sendRequest(
            {"KZR01200.rdmDimensao",
             "SetDimensao",
             {deltas::ofDimensions({deltas::insert(deltas::dimension("77", "Setenta"))})}});
        QThread::msleep(300);
        gone.close();
        QThread::msleep(200);

        // The next client may well get the socket number the gone one had.
        RawWireClient next;
        ASSERT_TRUE(next.connectTo(server.host(), server.port()));
        ASSERT_TRUE(next.resume(server.access().sessionToken));
        ASSERT_TRUE(lock.exec("ROLLBACK")); // the save goes on and answers the gone client
        QThread::msleep(300);
        for (int i = 0; i < 2; ++i) {
            next.sendBytes(getDimensaoFrame("00001"));
            const auto reply = next.readReply();
            ASSERT_TRUE(reply.has_value() && !reply->fault.has_value());
            EXPECT_EQ(TestClient::packetOf(reply->result).rows.size(), 1);
        }
        EXPECT_FALSE(next.readReply(300).has_value()) << "a reply no one asked for";
    }
    QSqlDatabase::removeDatabase("holder");
}

TEST_F(HostileInput, TheConnectionLimitAndTheInputBudgetHoldForEveryone)
{
    // Past the connection limit a client is told so and let go. The fixture's client holds two;
    // the connection its login used is let go first.
    (void)server.access();
    QThread::msleep(300);
    std::vector<std::unique_ptr<RawWireClient>> crowd;
    for (int i = 0; i < MaxConnections + 5; ++i) {
        crowd.push_back(std::make_unique<RawWireClient>());
        ASSERT_TRUE(crowd.back()->connectTo(server.host(), server.port()));
    }
    int served = 0;
    QStringList refusals;
    for (auto &c : crowd) {
        c->sendBytes(getDimensaoFrame());
        const auto reply = c->readReply(5000);
        ASSERT_TRUE(reply.has_value());
        if (reply->fault)
            refusals << *reply->fault;
        else
            ++served;
    }
    EXPECT_EQ(served, MaxConnections - 2);
    ASSERT_EQ(refusals.size(), 7);
    EXPECT_TRUE(refusals[0].contains(QString("limite de %1 conexões").arg(MaxConnections)))
        << refusals[0];
    crowd.clear();
    QThread::msleep(300);

    // Three clients stall inside frames of the largest size: together they hold nearly the
    // whole input budget, and a small call still fits.
    std::vector<std::unique_ptr<RawWireClient>> stalled;
    for (int i = 0; i < 3; ++i) {
        stalled.push_back(std::make_unique<RawWireClient>());
        ASSERT_TRUE(stalled.back()->connectTo(server.host(), server.port()));
        stalled.back()->sendBytes(lengthHeader(MaxFrameBytes) + QByteArray(1024, 'x'));
    }
    ASSERT_GT(InputBudgetBytes - 3 * (MaxFrameBytes + 4), 1024);
    ASSERT_LT(InputBudgetBytes - 3 * (MaxFrameBytes + 4), 100'000);
    QElapsedTimer clock;
    clock.start();
    expectStillServing();
    EXPECT_LT(clock.elapsed(), 900);

    // A large request waits for room, and is read once the stalled frames have timed out.
    RawWireClient large;
    ASSERT_TRUE(large.connectTo(server.host(), server.port()));
    ASSERT_TRUE(large.resume(server.access().sessionToken)); // a small call: it fits
    clock.restart();
    large.sendBytes(getDimensaoFrame(QString(100'000, 'x')));
    const auto answer = large.readReply(10000);
    ASSERT_TRUE(answer.has_value() && answer->fault.has_value());
    EXPECT_TRUE(answer->fault->contains("100000 caracteres")) << *answer->fault;
    EXPECT_GE(clock.elapsed(), 400);
    for (auto &s : stalled) {
        const auto fault = s->readReply(5000);
        ASSERT_TRUE(fault.has_value() && fault->fault.has_value());
        EXPECT_TRUE(fault->fault->contains("não chegou inteiro"));
    }
}

TEST_F(HostileInput, AtTheDescriptorLimitEstablishedClientsGoOnBeingServed)
{
    ServerProcess limited;
    limited.setDescriptorLimit(160);
    ASSERT_TRUE(limited.start(QString(), {"--workers", "2"})) << limited.error().toStdString();
    EXPECT_TRUE(limited.output().contains("no máximo")) << limited.output().toStdString();
    TestClient established(limited);
    ASSERT_EQ(established.codes().size(), 5);

    // More clients than the server has descriptors for, all at once.
    std::vector<std::unique_ptr<RawWireClient>> crowd;
    for (int i = 0; i < 180; ++i) {
        crowd.push_back(std::make_unique<RawWireClient>());
        crowd.back()->connectTo(limited.host(), limited.port(), 10000);
    }
    const auto cpuTicks = [&] {
        QFile stat(QString("/proc/%1/stat").arg(limited.pid()));
        if (!stat.open(QIODevice::ReadOnly)) return -1LL;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        return fields.value(11).toLongLong() + fields.value(12).toLongLong();
    };
    const long long before = cpuTicks();
    QThread::msleep(1000);
    EXPECT_LT(cpuTicks() - before, 30) << "the server spins"; // ticks of 10 ms: under 30%
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(established.codes().size(), 5);
    EXPECT_LT(clock.elapsed(), 2000);

    crowd.clear();
    QThread::msleep(500);
    EXPECT_EQ(TestClient(limited).codes().size(), 5);
    EXPECT_TRUE(limited.running());
}

} // namespace
