// The application server on PostgreSQL under concurrent clients, against the least the same
// reads need: libpq on a loopback connection per client, each statement prepared once.
#include "BenchServer.h"
#include "DataPacket.h"
#include "LoadGang.h"
#include "PostgresInstance.h"
#include "ServerProcess.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>

namespace {

constexpr int Stored = 10000;
constexpr int Clients = 8;
constexpr int RequestsPerClient = 200;
const QString Module = QStringLiteral("KZR01200.rdmDimensao");
const char *const FindSql =
    "SELECT IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, DSPKDIME, DSITEMDIME, DSPKDIME2 "
    "FROM DIMENSAODIME WHERE NRSEQUEDIME = $1 ORDER BY NRSEQUEDIME";
// The catalogue read a structure check needs, in one statement: the table's columns and types.
const char *const ColumnsSql =
    "SELECT a.attname::text, pg_catalog.format_type(a.atttypid, NULL) "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "WHERE c.relnamespace = (SELECT n.oid FROM pg_catalog.pg_namespace n "
    "WHERE n.nspname = current_schema()) AND upper(c.relname::text) = upper($1) "
    "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";

using bench_server::codeOf;

int codeFor(int thread, int request)
{
    return 1 + (thread * 7919 + request * 104729) % Stored;
}

QList<RemoteArg> findArgs(int thread, int request)
{
    return {codeOf(codeFor(thread, request)), QString()};
}

// One PostgreSQL instance holding 10,000 dimensions, and two servers over it.
class Stock
{
public:
    static Stock &get()
    {
        static Stock stock;
        return stock;
    }

    ServerProcess first, second;
    QString url;
    bool ready = false;

private:
    Stock()
    {
        PostgresInstance *pg = PostgresInstance::shared();
        if (!pg) {
            std::fprintf(stderr, "no PostgreSQL: %s %s\n",
                         qPrintable(PostgresInstance::unavailableReason()),
                         qPrintable(PostgresInstance::sharedError()));
            return;
        }
        url = pg->createDatabase(QStringLiteral("bench"));
        // A database the server did not create itself holds no demo content: the table the
        // dimensions name is made here.
        ready = !url.isEmpty() && execute({bench_server::ClientTable}) &&
                bench_server::start(first, url) &&
                bench_server::start(second, url) &&
                bench_server::storeDimensions(first, 1, Stored, QStringLiteral("Dimensão %1")) &&
                settle();
        if (ready) warmUp();
    }

    // Reads through each server before anything is measured: whichever measure came first
    // would otherwise pay alone for what warms up once (about a fifth slower, seen).
    void warmUp() const
    {
        for (const ServerProcess *server : {&first, &second}) {
            LoadGang gang(Clients, RequestsPerClient, [server](int thread) {
                auto net = std::shared_ptr<TNetConnection>(server->connect(Module));
                return std::function<void(int)>([net, thread](int request) {
                    net->AppServer().Call(QStringLiteral("getDimensao"), findArgs(thread, request));
                });
            });
            for (int round = 0; round < 5; ++round)
                gang.runRound();
        }
    }

    // The rows just stored are made visible to every reader once, their statistics taken and
    // the pages written out, so that neither side measured pays for it, nor for an autovacuum
    // or a checkpoint during a measure.
    bool settle() const { return execute({"VACUUM (FREEZE, ANALYZE)", "CHECKPOINT"}); }

    bool execute(std::initializer_list<const char *> statements) const
    {
        const std::shared_ptr<PGconn> connection(PQconnectdb(url.toUtf8().constData()), &PQfinish);
        for (const char *sql : statements) {
            PGresult *result = PQexec(connection.get(), sql);
            const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
            if (!done) {
                std::fprintf(stderr, "%s failed: %s", sql, PQerrorMessage(connection.get()));
                return false;
            }
        }
        return true;
    }
};

bool skipUnlessReady(benchmark::State &state)
{
    if (Stock::get().ready) return false;
    state.SkipWithError("PostgreSQL with 10,000 dimensions could not be prepared");
    return true;
}

using bench_server::runRounds;

// Clients calling one method through the servers: thread t uses servers[t % servers.size()].
template <typename Check>
void throughServers(benchmark::State &state, std::vector<const ServerProcess *> servers,
                    const QString &method, std::function<QList<RemoteArg>(int, int)> args,
                    Check check)
{
    if (skipUnlessReady(state)) return;
    std::atomic<int> wrong{0};
    LoadGang gang(Clients, RequestsPerClient, [&](int thread) {
        auto net = std::shared_ptr<TNetConnection>(
            servers[size_t(thread) % servers.size()]->connect(Module));
        return std::function<void(int)>([net, thread, &wrong, &method, &args, &check](int request) {
            if (!check(net->AppServer().Call(method, args(thread, request)))) ++wrong;
        });
    });
    runRounds(state, gang);
    if (wrong) state.SkipWithError("a call gave a wrong answer");
}

bool oneRow(const Variant &reply)
{
    TClientDataSet found;
    found.SetData(reply);
    return found.RecordCount() == 1;
}

QList<RemoteArg> structureArgs(int, int)
{
    return {QStringLiteral("DIMENSAODIME"),
            VarArrayOf({QStringLiteral("nrsequedime"), QStringLiteral("nmitemdime")})};
}

bool structureAccepted(const Variant &reply)
{
    return reply.isNull();
}

// libpq per client, the statement prepared once; the texts read as the server reads them.
void throughLibpq(benchmark::State &state, const char *sql, std::function<QByteArray(int, int)> arg,
                  int expectedRows)
{
    if (skipUnlessReady(state)) return;
    std::atomic<int> wrong{0};
    LoadGang gang(Clients, RequestsPerClient, [&](int thread) {
        auto connection =
            std::shared_ptr<PGconn>(PQconnectdb(Stock::get().url.toUtf8().constData()), &PQfinish);
        PQclear(PQprepare(connection.get(), "s", sql, 1, nullptr));
        return std::function<void(int)>(
            [connection, thread, &wrong, &arg, expectedRows](int request) {
                const QByteArray value = arg(thread, request);
                const char *values[] = {value.constData()};
                PGresult *result =
                    PQexecPrepared(connection.get(), "s", 1, values, nullptr, nullptr, 0);
                const int rows = PQntuples(result);
                std::vector<QString> texts;
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < PQnfields(result); ++c)
                        texts.push_back(
                            QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
                benchmark::DoNotOptimize(texts.data());
                if (PQresultStatus(result) != PGRES_TUPLES_OK ||
                    (expectedRows > 0 && rows != expectedRows))
                    ++wrong;
                PQclear(result);
            });
    });
    runRounds(state, gang);
    if (wrong) state.SkipWithError("a libpq read gave a wrong answer");
}

void GetDimensaoPg8conn_ours(benchmark::State &state)
{
    throughServers(state, {&Stock::get().first}, QStringLiteral("getDimensao"), findArgs, oneRow);
}

void GetDimensaoPg8conn_floor(benchmark::State &state)
{
    throughLibpq(
        state, FindSql, [](int t, int r) { return codeOf(codeFor(t, r)).toUtf8(); }, 1);
}

void VdDimensaoPg8conn_ours(benchmark::State &state)
{
    throughServers(state, {&Stock::get().first}, QStringLiteral("vdDimensao"), structureArgs,
                   structureAccepted);
}

void VdDimensaoPg8conn_floor(benchmark::State &state)
{
    throughLibpq(
        state, ColumnsSql, [](int, int) { return QByteArray("DIMENSAODIME"); }, 7);
}

// Two servers sharing the clients, against one server alone with the same clients: a ratio
// above 1 is a second server that slows the database down.
void TwoServersPg8conn_ours(benchmark::State &state)
{
    throughServers(state, {&Stock::get().first, &Stock::get().second},
                   QStringLiteral("getDimensao"), findArgs, oneRow);
}

} // namespace

BENCHMARK(GetDimensaoPg8conn_ours)
    ->Name("GetDimensaoPg8conn/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GetDimensaoPg8conn_floor)
    ->Name("GetDimensaoPg8conn/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(VdDimensaoPg8conn_ours)
    ->Name("VdDimensaoPg8conn/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(VdDimensaoPg8conn_floor)
    ->Name("VdDimensaoPg8conn/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TwoServersPg8conn_ours)
    ->Name("TwoServersPg8conn/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GetDimensaoPg8conn_ours)
    ->Name("TwoServersPg8conn/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    const int status = bench_server::runBenchmarks(argc, argv);
    PostgresInstance::stopShared();
    return status;
}
