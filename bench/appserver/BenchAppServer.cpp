// The application server against the floor of doing the same reads and writes in-process on
// the same SQLite file, through SQLite's C interface with each statement prepared once and the
// server's durability settings (the file's WAL journal, SQLite's default synchronous mode).
// Every "ours" runs over a real loopback connection to kzr-appserver.
#include "BareCells.h"
#include "BenchServer.h"
#include "DataPacket.h"
#include "LoadGang.h"
#include "ServerProcess.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sqlite3.h>
#include <thread>

namespace {

constexpr int Stored = 10000;
constexpr int LargeStored = 100000; // where a list's memory shows in a sampled peak
constexpr int Clients = 32;
constexpr int RequestsPerClient = 20;
const QString Module = QStringLiteral("KZR01200.rdmDimensao");
const QString SelectAll = QStringLiteral(
    "SELECT IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, DSPKDIME, DSITEMDIME, DSPKDIME2 "
    "FROM DIMENSAODIME ORDER BY NRSEQUEDIME");

using bench_server::codeOf;

QString nameOf(int i)
{
    return QStringLiteral("Dimensão %1").arg(codeOf(i));
}

// One server over a SQLite file holding 10,000 dimensions, shared by every benchmark; another
// holding 100,000 for the memory of whole lists.
class Stock
{
public:
    static Stock &get()
    {
        static Stock stock(1, Stored);
        return stock;
    }
    static Stock &large()
    {
        static Stock stock(0, LargeStored); // every five-digit code, 00000 included
        return stock;
    }

    const int stored;
    ServerProcess server;
    QString path;
    bool ready = false;

private:
    Stock(int first, int count) : stored(count)
    {
        path = bench_server::sqliteFile(server, QStringLiteral("bench%1.sqlite").arg(count),
                                        {QString::fromLatin1(bench_server::ClientTable)});
        ready = !path.isEmpty() && bench_server::start(server, QStringLiteral("sqlite:") + path) &&
                bench_server::storeDimensions(server, first, count, QStringLiteral("Dimensão %1"));
    }
};

// A connection of the floor's own, as the server opens its own.
class FloorConnection
{
public:
    FloorConnection()
    {
        sqlite3_open_v2(Stock::get().path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_busy_timeout(m_db, 15000);
        sqlite3_exec(m_db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    }
    ~FloorConnection()
    {
        for (sqlite3_stmt *s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    FloorConnection(const FloorConnection &) = delete;
    FloorConnection &operator=(const FloorConnection &) = delete;

    sqlite3_stmt *prepare(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        const QByteArray text = sql.toUtf8();
        sqlite3_prepare_v3(m_db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr);
        m_statements.push_back(statement);
        return statement;
    }
    bool exec(const char *sql)
    {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

bool skipUnlessReady(benchmark::State &state, const Stock &stock = Stock::get())
{
    if (stock.ready) return false;
    state.SkipWithError("the server with its dimensions could not be prepared");
    return true;
}

void GetDimensao10k_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    auto net = Stock::get().server.connect(Module);
    TClientDataSet dados;
    for (auto _ : state) {
        dados.SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
        if (dados.RecordCount() != Stored) state.SkipWithError("wrong row count");
    }
}

void GetDimensao10k_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    FloorConnection db;
    sqlite3_stmt *all = db.prepare(SelectAll);
    for (auto _ : state) {
        const BareCells values = BareCells::read(all, 7, Stored);
        if (values.size() != size_t(Stored) * 7) state.SkipWithError("wrong row count");
    }
}

// One changed name among 10,000, sent as the screen sends it; the reply is the complete list.
void SetDimensao1of10k_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    auto net = Stock::get().server.connect(Module);
    TClientDataSet dados;
    dados.SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
    int round = 0;
    for (auto _ : state) {
        dados.SetRecNo(Stored / 2);
        dados.Edit();
        dados.FieldByName(QStringLiteral("NMITEMDIME"))
            ->SetAsString(nameOf(Stored / 2) +
                          (++round % 2 ? QStringLiteral(" a") : QStringLiteral(" b")));
        dados.Post();
        dados.SetData(net->AppServer().Call(QStringLiteral("SetDimensao"), {dados.Delta()}));
        if (dados.RecordCount() != Stored) state.SkipWithError("the save was refused");
    }
}

// The same work in-process: one durable update, then the complete list read back.
void SetDimensao1of10k_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    FloorConnection db;
    sqlite3_stmt *update =
        db.prepare(QStringLiteral("UPDATE DIMENSAODIME SET NMITEMDIME = ? WHERE NRSEQUEDIME = ?"));
    sqlite3_stmt *all = db.prepare(SelectAll);
    int round = 0;
    for (auto _ : state) {
        bool done = db.exec("BEGIN IMMEDIATE");
        bindText(update, 1,
                 nameOf(Stored / 2) + (++round % 2 ? QStringLiteral(" c") : QStringLiteral(" d")));
        bindText(update, 2, codeOf(Stored / 2));
        done = sqlite3_step(update) == SQLITE_DONE && done;
        sqlite3_reset(update);
        if (!db.exec("COMMIT") || !done) state.SkipWithError("update failed");
        const BareCells values = BareCells::read(all, 7, Stored);
        if (values.size() != size_t(Stored) * 7) state.SkipWithError("wrong row count");
    }
}

// Half the checks find a stored dimension by code, half look for a name nobody has.
std::pair<QString, QString> duplicateCheck(int thread, int request)
{
    const int n = 1 + (thread * 7919 + request * 104729) % Stored;
    return request % 2 ? std::pair{codeOf(n), nameOf(n)}
                       : std::pair{QString(), QStringLiteral("Ninguém %1").arg(n)};
}

using bench_server::runRounds;

void DupCheck32conn_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    std::atomic<int> wrong{0};
    LoadGang gang(Clients, RequestsPerClient, [&](int thread) {
        auto net = std::shared_ptr<TNetConnection>(Stock::get().server.connect(Module));
        auto scratch = std::make_shared<TClientDataSet>();
        return std::function<void(int)>([net, scratch, thread, &wrong](int request) {
            const auto [code, name] = duplicateCheck(thread, request);
            scratch->SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {code, name}));
            if (scratch->RecordCount() != (code.isEmpty() ? 0 : 1)) ++wrong;
        });
    });
    runRounds(state, gang);
    if (wrong) state.SkipWithError("a duplicate check gave a wrong answer");
}

void DupCheck32conn_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    LoadGang gang(Clients, RequestsPerClient, [&](int thread) {
        auto db = std::make_shared<FloorConnection>();
        sqlite3_stmt *find = db->prepare(
            SelectAll.left(SelectAll.indexOf(QStringLiteral(" ORDER"))) +
            QStringLiteral(" WHERE NRSEQUEDIME = ? OR NMITEMDIME = ? ORDER BY NRSEQUEDIME"));
        return std::function<void(int)>([db, find, thread](int request) {
            const auto [code, name] = duplicateCheck(thread, request);
            bindText(find, 1, code);
            bindText(find, 2, name);
            const BareCells values = BareCells::read(find, 7, 1);
            benchmark::DoNotOptimize(values.size());
        });
    });
    runRounds(state, gang);
}

// The server's resident memory once idle after eight whole lists of 100,000 were asked for at
// once, against its resident memory idle before them; a figure of 1 ms stands for 1 MiB.
// Counters: the peak while the lists were in flight, per list, as a multiple of the list's raw
// values.
void IdleAfterLists100k_floor(benchmark::State &state)
{
    Stock &stock = Stock::large();
    if (skipUnlessReady(state, stock)) return;
    for (auto _ : state) {
        QThread::msleep(300);
        state.SetIterationTime(bench_server::residentMiB(stock.server.pid()) / 1000.0);
    }
}

void IdleAfterLists100k_ours(benchmark::State &state)
{
    Stock &stock = Stock::large();
    if (skipUnlessReady(state, stock)) return;
    const qint64 pid = stock.server.pid();
    constexpr int Lists = 8;
    double rawMiB = 0, peakPerListRaw = 0;
    for (auto _ : state) {
        const double idle = bench_server::residentMiB(pid);
        std::atomic<bool> calling{true};
        double peak = idle;
        std::thread watch([&] {
            while (calling) {
                peak = std::max(peak, bench_server::residentMiB(pid));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        std::vector<std::thread> clients;
        std::atomic<qint64> rawBytes{0};
        std::atomic<bool> wrong{false};
        for (int i = 0; i < Lists; ++i)
            clients.emplace_back([&] {
                auto net = stock.server.connect(Module);
                const packet::Packet list = packet::fromVariant(
                    net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
                if (list.rows.size() != stock.stored) wrong = true;
                qint64 bytes = 0;
                for (const packet::Row &row : list.rows)
                    for (const std::optional<QString> &value : row)
                        bytes += value ? value->toUtf8().size() : 0;
                rawBytes = bytes;
            });
        for (std::thread &c : clients)
            c.join();
        calling = false;
        watch.join();
        if (wrong) state.SkipWithError("wrong row count");
        rawMiB = double(rawBytes) / (1024.0 * 1024.0);
        peakPerListRaw = rawMiB > 0 ? (peak - idle) / Lists / rawMiB : 0;
        QThread::msleep(300);
        state.SetIterationTime(bench_server::residentMiB(pid) / 1000.0);
    }
    state.counters["raw_mib_per_list"] = rawMiB;
    state.counters["peak_per_list_x_raw"] = peakPerListRaw;
}

} // namespace

BENCHMARK(GetDimensao10k_ours)
    ->Name("GetDimensao10k/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GetDimensao10k_floor)
    ->Name("GetDimensao10k/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SetDimensao1of10k_ours)
    ->Name("SetDimensao1of10k/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SetDimensao1of10k_floor)
    ->Name("SetDimensao1of10k/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(IdleAfterLists100k_floor)
    ->Name("IdleAfterLists100k/floor")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(IdleAfterLists100k_ours)
    ->Name("IdleAfterLists100k/ours")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DupCheck32conn_ours)
    ->Name("DupCheck32conn/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DupCheck32conn_floor)
    ->Name("DupCheck32conn/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
