// The first page of the top level and of a member's children on PostgreSQL, over a table of
// 1,000,000 members with the parent indexed: getMembros asked of kzr-appserver over loopback,
// against the floor of the very same page statement (MemberQueries) prepared once and run
// through libpq directly.
#include "BenchServer.h"
#include "MemberQueries.h"
#include "PostgresInstance.h"
#include "PostgresSelect.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TNetConnection.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int Members = 1000000;
constexpr int MemberPage = 200; // keys a page of the screen's member tree asks for

// The profile benchmark's table (ten members per parent, six levels), made by PostgreSQL
// itself, its statistics taken and its pages written out before anything is measured.
class MembersStock
{
public:
    static MembersStock &get()
    {
        static MembersStock stock;
        return stock;
    }

    ServerProcess server;
    QString url;
    bool ready = false;

private:
    MembersStock()
    {
        PostgresInstance *pg = PostgresInstance::shared();
        if (!pg) {
            std::fprintf(stderr, "no PostgreSQL: %s\n",
                         qPrintable(PostgresInstance::sharedError()));
            return;
        }
        url = pg->createDatabase(QStringLiteral("members"));
        const std::shared_ptr<PGconn> connection(PQconnectdb(url.toUtf8().constData()), &PQfinish);
        const QByteArray fill =
            QStringLiteral("INSERT INTO MEMBRO SELECT i, 'Membro ' || i, CASE WHEN i < 10 "
                           "THEN NULL ELSE i / 10 END FROM generate_series(1, %1) i")
                .arg(Members)
                .toUtf8();
        for (const char *sql :
             {"CREATE TABLE MEMBRO (CDMEMBRO INTEGER PRIMARY KEY, NMMEMBRO VARCHAR(30), "
              "CDPAI INTEGER)",
              fill.constData(), "CREATE INDEX MEMBRO_PAI ON MEMBRO (CDPAI)",
              "VACUUM (FREEZE, ANALYZE)", "CHECKPOINT"}) {
            PGresult *result = PQexec(connection.get(), sql);
            const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
            if (!done) {
                std::fprintf(stderr, "%s failed: %s", sql, PQerrorMessage(connection.get()));
                return;
            }
        }
        ready = bench_server::start(server, url);
    }
};

bool skipUnlessReady(benchmark::State &state)
{
    if (MembersStock::get().ready) return false;
    state.SkipWithError("PostgreSQL with 1,000,000 members could not be prepared");
    return true;
}

// getMembros of the first page of member 12345's children, or of the top level (Null).
void members_ours(benchmark::State &state, const Variant &parentKey)
{
    if (skipUnlessReady(state)) return;
    auto net = MembersStock::get().server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    const auto ask = [&] {
        return net->AppServer().Call(QStringLiteral("getMembros"),
                                     {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"),
                                      QStringLiteral("NMMEMBRO"), QStringLiteral("CDPAI"),
                                      parentKey, Variant::Null(), Variant(MemberPage)});
    };
    // Every worker's connection has looked the table up and prepared the page before anything
    // is measured, as the floor prepares its statement first; a page of children is quick
    // enough for a short run to be all warming.
    for (int warming = 0; !parentKey.isNull() && warming < 50; ++warming)
        ask();
    for (auto _ : state) {
        const Variant reply = ask();
        if (server_failure::is(reply) || reply.kind() != Variant::Kind::Bytes)
            state.SkipWithError(qPrintable(server_failure::message(reply)));
    }
}

// The statement with the server's bound values as texts, every value of the answer made into
// a text; no transaction around it, no time limit, no packet, no network. Without the JIT
// compiler, as the server runs it: compiling costs more than any page gains.
void members_floor(benchmark::State &state, MemberQueries::Level level)
{
    if (skipUnlessReady(state)) return;
    const std::shared_ptr<PGconn> connection(
        PQconnectdb(MembersStock::get().url.toUtf8().constData()), &PQfinish);
    PQclear(PQexec(connection.get(), "SET jit = off"));
    // The catalogue's spelling, as the server finds it: PostgreSQL folds unquoted names.
    const MemberQueries sql(SqlDialect(SqlDialect::Kind::Postgres), QStringLiteral("membro"),
                            {QStringLiteral("cdmembro"), QStringLiteral("integer")},
                            {QStringLiteral("nmmembro"), QStringLiteral("character varying")},
                            {QStringLiteral("cdpai"), QStringLiteral("integer")});
    const bool children = level == MemberQueries::Level::Children;
    const QByteArray text = PostgresSelect::numbered(sql.page(level, false)).toUtf8();
    const QVariantList bound = MemberQueries::values(
        level, children ? std::optional<QVariant>(12345) : std::nullopt, std::nullopt, MemberPage);
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    for (const QVariant &value : bound)
        texts.push_back(value.toString().toUtf8());
    for (const QByteArray &value : texts)
        values.push_back(value.constData());
    PGresult *prepared =
        PQprepare(connection.get(), "page", text.constData(), int(values.size()), nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
        state.SkipWithError(PQerrorMessage(connection.get()));
    PQclear(prepared);
    const int expected = children ? 10 : 9;
    for (auto _ : state) {
        PGresult *result = PQexecPrepared(connection.get(), "page", int(values.size()),
                                          values.data(), nullptr, nullptr, 0);
        const int rows = PQntuples(result);
        std::vector<QString> answer;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < PQnfields(result); ++c)
                answer.push_back(
                    QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
        benchmark::DoNotOptimize(answer.data());
        if (PQresultStatus(result) != PGRES_TUPLES_OK || rows != expected)
            state.SkipWithError("wrong page");
        PQclear(result);
    }
}

} // namespace

BENCHMARK_CAPTURE(members_ours, top, Variant::Null())
    ->Name("MembersTopPg1M/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_floor, top, MemberQueries::Level::Top)
    ->Name("MembersTopPg1M/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_ours, children, Variant(QStringLiteral("12345")))
    ->Name("MembersChildrenPg1M/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_floor, children, MemberQueries::Level::Children)
    ->Name("MembersChildrenPg1M/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
