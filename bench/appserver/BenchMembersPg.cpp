// The first page of a member's children on PostgreSQL, over a table of 1,000,000 members with
// the parent indexed: getMembros asked of kzr-appserver over loopback, against the floor of the
// very same page statement (MemberQueries) prepared once and run through libpq directly.
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

void MembersChildrenPg1M_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    auto net = MembersStock::get().server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    for (auto _ : state) {
        const Variant reply =
            net->AppServer().Call(QStringLiteral("getMembros"),
                                  {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"),
                                   QStringLiteral("NMMEMBRO"), QStringLiteral("CDPAI"),
                                   QStringLiteral("12345"), Variant::Null(), Variant(MemberPage)});
        if (server_failure::is(reply) || reply.kind() != Variant::Kind::Bytes)
            state.SkipWithError(qPrintable(server_failure::message(reply)));
    }
}

// The statement with the server's bound values as texts, every value of the answer made into
// a text; no transaction around it, no time limit, no packet, no network.
void MembersChildrenPg1M_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    const std::shared_ptr<PGconn> connection(
        PQconnectdb(MembersStock::get().url.toUtf8().constData()), &PQfinish);
    // The catalogue's spelling, as the server finds it: PostgreSQL folds unquoted names.
    const MemberQueries sql(SqlDialect(SqlDialect::Kind::Postgres), QStringLiteral("membro"),
                            {QStringLiteral("cdmembro"), QStringLiteral("integer")},
                            {QStringLiteral("nmmembro"), QStringLiteral("character varying")},
                            {QStringLiteral("cdpai"), QStringLiteral("integer")});
    const QByteArray text =
        PostgresSelect::numbered(sql.page(MemberQueries::Level::Children, false)).toUtf8();
    PGresult *prepared = PQprepare(connection.get(), "page", text.constData(), 3, nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
        state.SkipWithError(PQerrorMessage(connection.get()));
    PQclear(prepared);
    const QByteArray parent = "12345", limit = QByteArray::number(MemberPage);
    const char *values[] = {parent.constData(), limit.constData(), parent.constData()};
    for (auto _ : state) {
        PGresult *result = PQexecPrepared(connection.get(), "page", 3, values, nullptr, nullptr, 0);
        const int rows = PQntuples(result);
        std::vector<QString> texts;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < PQnfields(result); ++c)
                texts.push_back(
                    QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
        benchmark::DoNotOptimize(texts.data());
        if (PQresultStatus(result) != PGRES_TUPLES_OK || rows != 10)
            state.SkipWithError("wrong page");
        PQclear(result);
    }
}

} // namespace

BENCHMARK(MembersChildrenPg1M_ours)
    ->Name("MembersChildrenPg1M/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MembersChildrenPg1M_floor)
    ->Name("MembersChildrenPg1M/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
