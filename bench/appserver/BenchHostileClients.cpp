// The server among clients that misbehave, against the same server left alone:
//   IdleConnections1000  the server's resident memory with 1,000 idle connections open,
//                        against the idle server's;
//   WellBehavedP99       the p99 latency of a well-behaved client's calls while 100 clients
//                        misbehave (a third ask and never read, a third stall inside a frame,
//                        a third flood the server with pipelined requests), against its p99
//                        alone.
// Each figure is reported as the iteration's time, so that the summary shows it beside its
// floor: a memory figure of 1 ms stands for 1 MiB, a latency figure is the p99 itself.
#include "BenchServer.h"
#include "RawWireClient.h"
#include "ServerProcess.h"
#include "TNetConnection.h"
#include "WireProtocol.h"

#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int IdleConnections = 1000;
constexpr int Stored = 1000;
constexpr int WellBehavedCalls = 300;
constexpr int Misbehaving = 100;
const QString Module = QStringLiteral("KZR01200.rdmDimensao");

using bench_server::codeOf;

QByteArray listAllFrame()
{
    return wire::frame(
        wire::encodeRequest({Module, QStringLiteral("getDimensao"), {Variant(""), Variant("")}}));
}

QByteArray findOneFrame(int i)
{
    return wire::frame(wire::encodeRequest(
        {Module, QStringLiteral("getDimensao"), {Variant(codeOf(i)), Variant("")}}));
}

// A server of its own on a new SQLite file, with 1,000 dimensions so that a list is a reply
// of some size, and with its default limits.
class Neighbourhood
{
public:
    static Neighbourhood &get()
    {
        static Neighbourhood instance;
        return instance;
    }

    ServerProcess server;
    bool ready = false;

    double residentMiB() const { return bench_server::residentMiB(server.pid()); }

private:
    Neighbourhood()
    {
        ready = bench_server::start(server) &&
                bench_server::storeDimensions(server, 100, Stored, QStringLiteral("Vizinha %1"));
    }
};

bool skipUnlessReady(benchmark::State &state)
{
    if (Neighbourhood::get().ready) return false;
    state.SkipWithError("the server could not be prepared");
    return true;
}

void IdleConnections1000_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    for (auto _ : state) {
        QThread::msleep(200);
        state.SetIterationTime(Neighbourhood::get().residentMiB() / 1000.0);
    }
}

void IdleConnections1000_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    ServerProcess &server = Neighbourhood::get().server;
    for (auto _ : state) {
        // Each connection has made one call, as a screen has once it shows its list.
        std::vector<std::unique_ptr<RawWireClient>> idle;
        for (int i = 0; i < IdleConnections; ++i) {
            idle.push_back(std::make_unique<RawWireClient>());
            if (!idle.back()->connectTo(server.host(), server.port())) {
                state.SkipWithError("a connection was refused");
                return;
            }
            idle.back()->sendBytes(findOneFrame(100 + i % Stored));
        }
        for (auto &c : idle)
            if (!c->readReply()) state.SkipWithError("a call went unanswered");
        QThread::msleep(200);
        state.SetIterationTime(Neighbourhood::get().residentMiB() / 1000.0);
    }
}

// Clients that flood: each sends more pipelined requests than a connection may queue, reads
// what it is answered until the server hangs up, and starts again. Bounded in rounds and time.
class Flooders
{
public:
    explicit Flooders(int count) : m_count(count)
    {
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
    }
    ~Flooders()
    {
        m_stop = true;
        m_thread->wait(60000);
    }

private:
    void run()
    {
        const QByteArray burst = [] {
            QByteArray bytes;
            for (int i = 0; i < 100; ++i)
                bytes += findOneFrame(100 + i);
            return bytes;
        }();
        const ServerProcess &server = Neighbourhood::get().server;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        for (int round = 0; round < 10000 && !m_stop && std::chrono::steady_clock::now() < end;
             ++round) {
            std::vector<std::unique_ptr<RawWireClient>> flood;
            for (int i = 0; i < m_count; ++i) {
                flood.push_back(std::make_unique<RawWireClient>());
                if (flood.back()->connectTo(server.host(), server.port()))
                    flood.back()->sendBytes(burst);
            }
            for (auto &c : flood)
                while (!m_stop && c->readReply(2000).has_value()) {
                }
        }
    }

    int m_count;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<QThread> m_thread;
};

void wellBehavedP99(benchmark::State &state, int misbehaving)
{
    if (skipUnlessReady(state)) return;
    const ServerProcess &server = Neighbourhood::get().server;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<RawWireClient>> deaf, stalled;
        std::unique_ptr<Flooders> flooders;
        if (misbehaving > 0) {
            const int third = misbehaving / 3;
            QByteArray asks;
            for (int i = 0; i < 16; ++i)
                asks += listAllFrame();
            for (int i = 0; i < third; ++i) {
                deaf.push_back(std::make_unique<RawWireClient>());
                deaf.back()->connectTo(server.host(), server.port());
                deaf.back()->sendBytes(asks); // and never reads
            }
            QByteArray header(4, '\0');
            qToBigEndian<quint32>(1024 * 1024, header.data());
            for (int i = 0; i < third; ++i) {
                stalled.push_back(std::make_unique<RawWireClient>());
                stalled.back()->connectTo(server.host(), server.port());
                stalled.back()->sendBytes(header + QByteArray(1024, 'x')); // and stops
            }
            flooders = std::make_unique<Flooders>(misbehaving - 2 * third);
            QThread::msleep(300);
        }
        auto net = server.connect(Module);
        std::vector<double> latencies;
        for (int i = 0; i < WellBehavedCalls; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            const Variant reply = net->AppServer().Call(QStringLiteral("getDimensao"),
                                                        {codeOf(100 + i % Stored), ""});
            latencies.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
            if (reply.kind() != Variant::Kind::Bytes) state.SkipWithError("a call failed");
        }
        std::sort(latencies.begin(), latencies.end());
        const double p99 = latencies[size_t(0.99 * double(latencies.size() - 1))];
        flooders.reset();
        deaf.clear();
        stalled.clear();
        state.ResumeTiming();
        state.SetIterationTime(p99);
        state.counters["p99_ms"] = p99 * 1000;
    }
}

void WellBehavedP99_floor(benchmark::State &state)
{
    wellBehavedP99(state, 0);
}

void WellBehavedP99_ours(benchmark::State &state)
{
    wellBehavedP99(state, Misbehaving);
}

} // namespace

BENCHMARK(IdleConnections1000_floor)
    ->Name("IdleConnections1000/floor")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(IdleConnections1000_ours)
    ->Name("IdleConnections1000/ours")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WellBehavedP99_floor)
    ->Name("WellBehavedP99/floor")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WellBehavedP99_ours)
    ->Name("WellBehavedP99/ours")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
