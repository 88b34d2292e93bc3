// The data profile of a dimension over a table of 1,000,000 members, asked of kzr-appserver
// over loopback, against the floor of running the very same statements in-process on the same
// SQLite file with QSqlQuery.
#include "BenchServer.h"
#include "ProfileQueries.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int Members = 1000000;

// A clean hierarchy ten members wide per parent (six levels), with an index on the parent
// as a real dimension table would have; made by one statement inside SQLite, in a second or
// two.
class ProfileStock
{
public:
    static ProfileStock &get()
    {
        static ProfileStock stock;
        return stock;
    }

    ServerProcess server;
    QString path;
    bool ready = false;

private:
    ProfileStock()
    {
        path = bench_server::sqliteFile(
            server, QStringLiteral("profile.sqlite"),
            {QStringLiteral("CREATE TABLE MEMBRO (CDMEMBRO INTEGER PRIMARY KEY, "
                            "NMMEMBRO VARCHAR(30), CDPAI INTEGER)"),
             QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < %1) INSERT INTO MEMBRO SELECT i, 'Membro ' || i, "
                            "CASE WHEN i < 10 THEN NULL ELSE i / 10 END FROM n")
                 .arg(Members),
             QStringLiteral("CREATE INDEX MEMBRO_PAI ON MEMBRO (CDPAI)")});
        if (path.isEmpty() || !bench_server::start(server, QStringLiteral("sqlite:") + path))
            return;
        ready = true;
    }
};

bool skipUnlessReady(benchmark::State &state)
{
    if (ProfileStock::get().ready) return false;
    state.SkipWithError("the server with 1,000,000 members could not be prepared");
    return true;
}

void Profile1M_ours(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    auto net = ProfileStock::get().server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    net->SetTimeoutMs(120000);
    for (auto _ : state) {
        const Variant reply = net->AppServer().Call(
            QStringLiteral("getPerfil"), {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"),
                                          QStringLiteral("NMMEMBRO"), QStringLiteral("CDPAI")});
        if (server_failure::is(reply) || reply.kind() != Variant::Kind::Bytes)
            state.SkipWithError(qPrintable(server_failure::message(reply)));
    }
}

// The statements the server runs for a clean hierarchy, in the same order and with the same
// bound value; no snapshot, no time limit, no packet, no network.
void Profile1M_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(ProfileStock::get().path);
        db.open();
        const ProfileQueries sql(SqlDialect(SqlDialect::Kind::Sqlite), QStringLiteral("MEMBRO"),
                                 {QStringLiteral("CDMEMBRO"), QStringLiteral("INTEGER")},
                                 {QStringLiteral("NMMEMBRO"), QStringLiteral("VARCHAR(30)")},
                                 {QStringLiteral("CDPAI"), QStringLiteral("INTEGER")});
        const auto one = [&](const QString &statement, const QVariantList &values = {}) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(statement);
            for (const QVariant &v : values)
                q.addBindValue(v);
            if (!q.exec() || !q.next()) state.SkipWithError(qPrintable(q.lastError().text()));
            return q.value(0).toLongLong();
        };
        for (auto _ : state) {
            const qint64 rows = one(sql.totals());
            benchmark::DoNotOptimize(one(sql.keyCounts()));
            benchmark::DoNotOptimize(one(sql.orphanCount()));
            if (one(sql.walkFromRoots(), {rows}) != Members) state.SkipWithError("wrong walk");
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor"));
}

} // namespace

BENCHMARK(Profile1M_ours)->Name("Profile1M/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Profile1M_floor)->Name("Profile1M/floor")->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
