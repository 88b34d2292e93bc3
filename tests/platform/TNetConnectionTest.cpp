#include "TNetConnection.h"

#include "WireProtocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <atomic>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// A scripted application server on a loopback port, in its own thread (the client blocks the
// test's thread while it waits). Each request's method picks the behaviour.
class ScriptedServer
{
public:
    ScriptedServer()
    {
        std::promise<quint16> ready;
        auto port = ready.get_future();
        m_thread = std::thread([this, &ready] { run(ready); });
        m_port = port.get();
    }
    ~ScriptedServer()
    {
        m_stop = true;
        m_thread.join();
    }
    quint16 port() const { return m_port; }
    QList<wire::Request> requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int connections() const { return m_connections; }

private:
    void run(std::promise<quint16> &ready)
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        ready.set_value(server.serverPort());
        while (!m_stop) {
            if (!server.waitForNewConnection(50)) continue;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            ++m_connections;
            serve(*socket);
        }
    }

    void serve(QTcpSocket &socket)
    {
        wire::FrameReader reader;
        while (!m_stop && socket.state() == QAbstractSocket::ConnectedState) {
            if (!socket.waitForReadyRead(50) && socket.bytesAvailable() == 0) continue;
            reader.append(socket.readAll());
            while (auto item = reader.next()) {
                const wire::Request request = wire::decodeRequest(*item);
                {
                    std::lock_guard lock(m_mutex);
                    m_requests << request;
                }
                if (!answer(socket, request)) return;
            }
        }
    }

    // false: the connection was dropped on purpose
    bool answer(QTcpSocket &socket, const wire::Request &request)
    {
        wire::Reply reply;
        const QString &m = request.method;
        if (m == "respondeEFecha") {
            reply.result = Variant("último");
            send(socket, wire::frame(wire::encodeReply(reply)));
            socket.disconnectFromHost();
            return false;
        }
        if (m == "derruba") {
            socket.abort();
            return false;
        }
        if (m == "demora") std::this_thread::sleep_for(std::chrono::milliseconds(600));
        // A slow session and a slow method: each alone within a 500 ms limit, not both.
        if (request.module == "KZR.Sessao" || m == "devagar")
            std::this_thread::sleep_for(std::chrono::milliseconds(350));
        if (m == "lixo") {
            send(socket, wire::frame("\xff\xff"));
            return true;
        }
        if (m == "enorme") {
            send(socket, QByteArray("\xff\xff\xff\xff", 4));
            return true;
        }
        if (m == "naoExiste")
            reply.fault = QString("Método \"%1\" desconhecido em \"%2\"").arg(m, request.module);
        else if (m == "vdDimensao")
            reply.byRef = {{1, VarArrayOf({"ESCRITO"})}, {0, Variant("ignorado")}};
        if (!reply.fault) reply.result = request.args.isEmpty() ? Variant() : request.args.last();
        send(socket, wire::frame(wire::encodeReply(reply)));
        return true;
    }

    static void send(QTcpSocket &socket, const QByteArray &bytes)
    {
        socket.write(bytes);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) {
        }
    }

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    quint16 m_port = 0;
    std::mutex m_mutex;
    QList<wire::Request> m_requests;
};

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

struct Connection : ::testing::Test
{
    ScriptedServer server;
    TNetConnection net{nullptr, "netDimensao"};
    void SetUp() override
    {
        net.SetServerName("KZR01200.rdmDimensao");
        net.SetThrowException(false);
        net.BeforeConnect = [this](TNetConnection *c) {
            c->SetHost("127.0.0.1");
            c->SetPort(server.port());
        };
        net.SetConnected(true);
    }
};

} // namespace

TEST_F(Connection, CallSendsModuleMethodAndArgumentsAsGiven)
{
    QStringList made;
    QObject::connect(
        &net, &TNetConnection::callMade,
        [&](const QString &module, const QString &method) { made << module + "." + method; });
    const Variant reply = net.AppServer().Call("getDimensao", {"", "Cliente"});
    EXPECT_EQ(reply.toString(), "Cliente");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].module, "KZR01200.rdmDimensao");
    EXPECT_EQ(requests[0].method, "getDimensao");
    ASSERT_EQ(requests[0].args.size(), 2);
    EXPECT_EQ(requests[0].args[0].varType(), Variant::varOleStr);
    EXPECT_EQ(made, QStringList({"KZR01200.rdmDimensao.getDimensao"}));
}

TEST_F(Connection, ByRefArgumentsReceiveTheServersValueOnlyWhereByRef)
{
    Variant names = VarArrayOf({"DSPKDIME", "DSITEMDIME"});
    Variant table("TABELA");
    net.AppServer().Call("vdDimensao", {RemoteArg(table), RemoteArg::ByRef(names)});
    EXPECT_TRUE(names == VarArrayOf({"ESCRITO"}));
    EXPECT_EQ(table.toString(), "TABELA"); // passed by value: the server's write does not reach it
    EXPECT_TRUE(server.requests()[0].args[1] == VarArrayOf({"DSPKDIME", "DSITEMDIME"}));
}

TEST_F(Connection, PacketsTravelWhole)
{
    QByteArray big(3 * 1024 * 1024, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 31);
    const Variant reply = net.AppServer().Call("SetDimensao", {Variant::fromBytes(big)});
    EXPECT_EQ(reply.bytes(), big);
}

TEST_F(Connection, FaultReplyIsAConnectionErrorWithTheServersText)
{
    try {
        net.AppServer().Call("naoExiste", {});
        FAIL();
    } catch (const EConnectionError &e) {
        EXPECT_TRUE(e.Message().contains("Método \"naoExiste\" desconhecido"))
            << qPrintable(e.Message());
    }
    EXPECT_EQ(net.AppServer().Call("getDimensao", {"1"}).toString(),
              "1"); // the connection stays usable
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(Connection, TimeLimitDropsTheCallAndTheNextCallStartsAfresh)
{
    net.SetTimeoutMs(200);
    EXPECT_THROW(net.AppServer().Call("demora", {}), EConnectionError);
    net.SetTimeoutMs(5000);
    EXPECT_EQ(net.AppServer().Call("getDimensao", {"ok"}).toString(), "ok");
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(Connection, DroppedOrGarbledReplyIsAConnectionError)
{
    // a reply followed at once by the server closing still counts
    EXPECT_EQ(net.AppServer().Call("respondeEFecha", {}).toString(), "último");
    EXPECT_THROW(net.AppServer().Call("derruba", {}), EConnectionError);
    EXPECT_EQ(net.AppServer().Call("getDimensao", {"de novo"}).toString(), "de novo");
    EXPECT_THROW(net.AppServer().Call("lixo", {}), EConnectionError);
    EXPECT_THROW(net.AppServer().Call("enorme", {}), EConnectionError);
    EXPECT_EQ(net.AppServer().Call("getDimensao", {"fim"}).toString(), "fim");
}

TEST_F(Connection, InterruptFromAnotherThreadEndsTheCallUnderWayAndEveryLaterOne)
{
    // Waits until the server holds the request, then interrupts: the call must not get the
    // reply the server sends 600 ms later.
    std::thread interrupter([this] {
        while (server.requests().isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        net.Interrupt();
    });
    const auto expectInterrupted = [this](const char *method) {
        try {
            net.AppServer().Call(method, {"tarde"});
            ADD_FAILURE() << method << " was answered after the interruption";
        } catch (const EConnectionError &e) {
            EXPECT_TRUE(e.Message().contains("chamada interrompida")) << qPrintable(e.Message());
        }
    };
    expectInterrupted("demora");
    interrupter.join();
    expectInterrupted("getDimensao"); // never sent
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(TNetConnection, UnreachableServerSurfacesAtTheFirstCallWithoutThrowException)
{
    TNetConnection net(nullptr, "netValida");
    net.SetServerName("KZR00600.rdmEstrutura");
    net.SetThrowException(false);
    net.SetTimeoutMs(2000);
    int beforeConnect = 0;
    const quint16 port = closedPort();
    net.BeforeConnect = [&](TNetConnection *c) {
        ++beforeConnect;
        c->SetPort(port);
    };
    EXPECT_NO_THROW(net.SetConnected(true));
    EXPECT_EQ(beforeConnect, 1);
    EXPECT_TRUE(net.Connected());
    try {
        net.AppServer().Call("getFields", {"D", "TABELA"});
        FAIL();
    } catch (const EConnectionError &e) {
        // In the user's words: the server, not the module asked for.
        EXPECT_FALSE(e.Message().contains("KZR00600")) << qPrintable(e.Message());
        EXPECT_TRUE(e.Message().contains(QString("127.0.0.1:%1").arg(port)))
            << qPrintable(e.Message());
        EXPECT_TRUE(e.Message().contains("conexão recusada")) << qPrintable(e.Message());
    }
    net.SetConnected(false);
    EXPECT_FALSE(net.Connected());
    EXPECT_THROW(net.AppServer().Call("getFields", {"D", "T"}), EConnectionError);
}

TEST(TNetConnection, UnreachableServerThrowsOnConnectWithThrowException)
{
    TNetConnection net;
    EXPECT_EQ(net.Port(), wire::DefaultPort);
    net.SetPort(closedPort());
    net.SetThrowException(true);
    EXPECT_THROW(net.SetConnected(true), EConnectionError);
    EXPECT_FALSE(net.Connected());
}

TEST(TNetConnection, TheTimeLimitCoversResumingTheSessionAndTheExchangeTogether)
{
    ScriptedServer server;
    TNetConnection net(nullptr, "netDimensao");
    net.SetServerName("KZR01200.rdmDimensao");
    net.SetPort(server.port());
    ServerAccess access;
    access.sessionToken = "sessao";
    net.SetAccess(access);
    net.SetTimeoutMs(500);
    net.SetConnected(true);
    EXPECT_THROW(net.AppServer().Call("devagar", {}), EConnectionError);
    const auto requests = server.requests();
    ASSERT_FALSE(requests.isEmpty());
    EXPECT_EQ(requests[0].method, "resume") << "a new socket resumes the session first";
}

TEST(TNetConnection, ServerStartedAfterConnectIsReachedByTheNextCall)
{
    TNetConnection net;
    net.SetThrowException(false);
    net.SetPort(closedPort());
    net.SetConnected(true);
    EXPECT_THROW(net.AppServer().Call("getDimensao", {}), EConnectionError);
    ScriptedServer server;
    net.SetPort(server.port());
    EXPECT_EQ(net.AppServer().Call("getDimensao", {"x"}).toString(), "x");
}
