// A late-bound call over loopback against the same exchange done with a bare socket: the
// difference is what the connection adds (encoding, framing, checks).
#include "TNetConnection.h"
#include "WireProtocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <atomic>
#include <benchmark/benchmark.h>
#include <future>
#include <thread>

namespace {

// Answers every frame with the same small reply, as fast as it can.
class EchoServer
{
public:
    EchoServer()
    {
        std::promise<quint16> ready;
        auto port = ready.get_future();
        m_thread = std::thread([this, &ready] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost, 0);
            ready.set_value(server.serverPort());
            wire::Reply reply;
            reply.result = Variant("ok");
            const QByteArray answer = wire::frame(wire::encodeReply(reply));
            while (!m_stop) {
                if (!server.waitForNewConnection(20)) continue;
                std::unique_ptr<QTcpSocket> s(server.nextPendingConnection());
                wire::FrameReader reader;
                while (!m_stop && s->state() == QAbstractSocket::ConnectedState) {
                    if (!s->waitForReadyRead(20) && s->bytesAvailable() == 0) continue;
                    reader.append(s->readAll());
                    while (reader.next())
                        s->write(answer);
                    s->waitForBytesWritten(1000);
                }
            }
        });
        m_port = port.get();
    }
    ~EchoServer()
    {
        m_stop = true;
        m_thread.join();
    }
    quint16 port() const { return m_port; }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    quint16 m_port = 0;
};

EchoServer &server()
{
    static EchoServer s;
    return s;
}

void RemoteCallOurs(benchmark::State &state)
{
    TNetConnection net(nullptr, "netDimensao");
    net.SetServerName("KZR01200.rdmDimensao");
    net.SetPort(server().port());
    net.SetConnected(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(net.AppServer().Call("getDimensao", {"00012", "Cliente"}));
}

void RemoteCallFloor(benchmark::State &state)
{
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", server().port());
    socket.waitForConnected(5000);
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QByteArray request = wire::frame(wire::encodeRequest(
        {"KZR01200.rdmDimensao", "getDimensao", {Variant("00012"), Variant("Cliente")}}));
    for (auto _ : state) {
        socket.write(request);
        socket.waitForBytesWritten(5000);
        wire::FrameReader reader;
        std::optional<QByteArray> item;
        while (!(item = reader.next())) {
            socket.waitForReadyRead(5000);
            reader.append(socket.readAll());
        }
        benchmark::DoNotOptimize(item->size());
    }
}

} // namespace

BENCHMARK(RemoteCallOurs)->Name("RemoteCall/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(RemoteCallFloor)->Name("RemoteCall/floor")->Unit(benchmark::kMicrosecond);
