// The application server against the floor of doing the same reads and writes in-process on
// the same SQLite file. Every "ours" runs over a real loopback connection to kzr-appserver.
#include "DataPacket.h"
#include "LoadGang.h"
#include "ServerProcess.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int Stored = 10000;
constexpr int Clients = 32;
constexpr int RequestsPerClient = 20;
const QString Module = QStringLiteral("KZR01200.rdmDimensao");
const QString SelectAll = QStringLiteral(
    "SELECT IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, DSPKDIME, DSITEMDIME, DSPKDIME2 "
    "FROM DIMENSAODIME ORDER BY NRSEQUEDIME");

QString codeOf(int i)
{
    return QString::number(i).rightJustified(5, QLatin1Char('0'));
}

QString nameOf(int i)
{
    return QStringLiteral("Dimensão %1").arg(codeOf(i));
}

// One server over a SQLite file holding 10,000 dimensions, shared by every benchmark.
class Stock
{
public:
    static Stock &get()
    {
        static Stock stock;
        return stock;
    }

    ServerProcess server;
    QString path;
    bool ready = false;

private:
    Stock()
    {
        path = server.tempPath(QStringLiteral("bench.sqlite"));
        // An existing database (so no demo content) in the WAL mode the server gives the files
        // it creates itself.
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("wal"));
            db.setDatabaseName(path);
            db.open();
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = WAL"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("wal"));
        if (!server.start(QStringLiteral("sqlite:") + path)) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return;
        }
        packet::Packet delta;
        delta.isDelta = true;
        delta.fields = {{"IDDIMENSAODW", 1},  {"NRSEQUEDIME", 5}, {"NMITEMDIME", 30},
                        {"CDTABELADIME", 30}, {"DSPKDIME", 30},   {"DSITEMDIME", 30},
                        {"DSPKDIME2", 30}};
        for (int i = 1; i <= Stored; ++i)
            delta.changes.push_back(
                {packet::ChangeOp::Insert, std::nullopt,
                 packet::Row{QStringLiteral("S"), codeOf(i), nameOf(i), QStringLiteral("CLIENTE"),
                             QStringLiteral("CDCLIENTE"), QStringLiteral("NMCLIENTE"),
                             std::nullopt}});
        auto net = server.connect(Module);
        TClientDataSet loaded;
        loaded.SetData(
            net->AppServer().Call(QStringLiteral("SetDimensao"), {packet::toVariant(delta)}));
        ready = loaded.RecordCount() == Stored;
        if (!ready) std::fprintf(stderr, "seeding failed: %d rows\n", loaded.RecordCount());
    }
};

QSqlDatabase openFloor(const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(Stock::get().path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    db.open();
    return db;
}

std::vector<QString> readAll(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.exec(SelectAll);
    std::vector<QString> values;
    values.reserve(Stored * 7);
    while (query.next())
        for (int i = 0; i < 7; ++i)
            values.push_back(query.value(i).toString());
    return values;
}

bool skipUnlessReady(benchmark::State &state)
{
    if (Stock::get().ready) return false;
    state.SkipWithError("the server with 10,000 dimensions could not be prepared");
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
    {
        QSqlDatabase db = openFloor(QStringLiteral("floor-get"));
        for (auto _ : state) {
            const std::vector<QString> values = readAll(db);
            if (values.size() != size_t(Stored) * 7) state.SkipWithError("wrong row count");
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor-get"));
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

// The floor the save is held against is the read floor above: what the screen gets back is
// the complete list. The same work done in-process, one durable update and the list read back,
// is registered beside it for reference.
void SetDimensao1of10k_floorWithCommit(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    {
        QSqlDatabase db = openFloor(QStringLiteral("floor-set"));
        int round = 0;
        for (auto _ : state) {
            db.transaction();
            QSqlQuery update(db);
            update.prepare(
                QStringLiteral("UPDATE DIMENSAODIME SET NMITEMDIME = ? WHERE NRSEQUEDIME = ?"));
            update.addBindValue(nameOf(Stored / 2) +
                                (++round % 2 ? QStringLiteral(" c") : QStringLiteral(" d")));
            update.addBindValue(codeOf(Stored / 2));
            if (!update.exec() || !db.commit()) state.SkipWithError("update failed");
            const std::vector<QString> values = readAll(db);
            benchmark::DoNotOptimize(values.data());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor-set"));
}

// Half the checks find a stored dimension by code, half look for a name nobody has.
std::pair<QString, QString> duplicateCheck(int thread, int request)
{
    const int n = 1 + (thread * 7919 + request * 104729) % Stored;
    return request % 2 ? std::pair{codeOf(n), nameOf(n)}
                       : std::pair{QString(), QStringLiteral("Ninguém %1").arg(n)};
}

void reportLoad(benchmark::State &state, LoadGang &gang, double seconds)
{
    std::vector<double> latencies = gang.takeLatenciesMs();
    std::sort(latencies.begin(), latencies.end());
    const double total = double(latencies.size());
    state.counters["req_per_s"] = seconds > 0 ? total / seconds : 0;
    state.counters["p99_ms"] = latencies.empty() ? 0 : latencies[size_t(0.99 * (total - 1))];
}

void runRounds(benchmark::State &state, LoadGang &gang)
{
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        gang.runRound();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    reportLoad(state, gang, seconds);
}

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
        const QString name = QStringLiteral("floor-dup-%1").arg(thread);
        auto db = std::shared_ptr<QSqlDatabase>(new QSqlDatabase(openFloor(name)),
                                                [name](QSqlDatabase *d) {
                                                    d->close();
                                                    delete d;
                                                    QSqlDatabase::removeDatabase(name);
                                                });
        return std::function<void(int)>([db, thread](int request) {
            const auto [code, name] = duplicateCheck(thread, request);
            QSqlQuery query(*db);
            query.setForwardOnly(true);
            query.prepare(
                SelectAll.left(SelectAll.indexOf(QStringLiteral(" ORDER"))) +
                QStringLiteral(" WHERE NRSEQUEDIME = ? OR NMITEMDIME = ? ORDER BY NRSEQUEDIME"));
            query.addBindValue(code);
            query.addBindValue(name);
            query.exec();
            std::vector<QString> values;
            while (query.next())
                for (int i = 0; i < 7; ++i)
                    values.push_back(query.value(i).toString());
            benchmark::DoNotOptimize(values.data());
        });
    });
    runRounds(state, gang);
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
BENCHMARK(GetDimensao10k_floor)
    ->Name("SetDimensao1of10k/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SetDimensao1of10k_floorWithCommit)
    ->Name("SetDimensao1of10k/floor_with_commit")
    ->UseRealTime()
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
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
