// The data profile of a dimension over a table of 1,000,000 members, and the first pages of its
// member browser (the top level, one member's children), asked of kzr-appserver over loopback,
// against the floor of running the very same statements in-process on the same SQLite file
// through SQLite's C interface, prepared once and read in one snapshot as the server reads them.
#include "BenchServer.h"
#include "MemberQueries.h"
#include "ProfileQueries.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int Members = 1000000;
constexpr int MemberPage = 200; // keys a page of the screen's member tree asks for

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
        path = bench_server::sqliteFile(server, QStringLiteral("profile.sqlite"),
                                        bench_server::memberTable(Members));
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
// bound value, in one read transaction; no time limit, no packet, no network.
void Profile1M_floor(benchmark::State &state)
{
    if (skipUnlessReady(state)) return;
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(ProfileStock::get().path);
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        state.SkipWithError("the profile's SQLite file could not be opened in-process");
        sqlite3_close(db);
        return;
    }
    const ProfileQueries sql(SqlDialect(SqlDialect::Kind::Sqlite), QStringLiteral("MEMBRO"),
                             {QStringLiteral("CDMEMBRO"), QStringLiteral("INTEGER")},
                             {QStringLiteral("NMMEMBRO"), QStringLiteral("VARCHAR(30)")},
                             {QStringLiteral("CDPAI"), QStringLiteral("INTEGER")});
    std::vector<sqlite3_stmt *> statements;
    auto prepare = [&](const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr);
        statements.push_back(statement);
        return statement;
    };
    sqlite3_stmt *begin = prepare(QStringLiteral("BEGIN"));
    sqlite3_stmt *commit = prepare(QStringLiteral("COMMIT"));
    sqlite3_stmt *totals = prepare(sql.totals());
    sqlite3_stmt *keyCounts = prepare(sql.keyCounts());
    sqlite3_stmt *orphans = prepare(sql.orphanCount());
    sqlite3_stmt *walk = prepare(sql.walkFromRoots());
    // The first column of the statement's one row.
    const auto one = [&](sqlite3_stmt *statement) {
        const bool row = sqlite3_step(statement) == SQLITE_ROW;
        const qint64 value = row ? sqlite3_column_int64(statement, 0) : -1;
        if (!row) state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_reset(statement);
        return value;
    };
    const auto run = [&](sqlite3_stmt *statement) {
        sqlite3_step(statement);
        sqlite3_reset(statement);
    };
    for (auto _ : state) {
        run(begin);
        const qint64 rows = one(totals);
        benchmark::DoNotOptimize(one(keyCounts));
        benchmark::DoNotOptimize(one(orphans));
        sqlite3_bind_int64(walk, 1, rows);
        if (one(walk) != Members) state.SkipWithError("wrong walk");
        run(commit);
    }
    for (sqlite3_stmt *statement : statements)
        sqlite3_finalize(statement);
    sqlite3_close(db);
}

// The first page of members (getMembros, 200 keys as the screen asks) of the top level, or of
// member 12345's ten children.
void members_ours(benchmark::State &state, bool children)
{
    if (skipUnlessReady(state)) return;
    auto net = ProfileStock::get().server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    net->SetTimeoutMs(120000);
    const Variant parentKey = children ? Variant(QStringLiteral("12345")) : Variant::Null();
    const auto ask = [&] {
        return net->AppServer().Call(QStringLiteral("getMembros"),
                                     {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"),
                                      QStringLiteral("NMMEMBRO"), QStringLiteral("CDPAI"),
                                      parentKey, Variant::Null(), Variant(MemberPage)});
    };
    // Every worker has its statement ready before anything is measured, as the floor prepares
    // its own first; a page of children is quick enough for a short run to be all warming.
    for (int warming = 0; children && warming < 50; ++warming)
        ask();
    for (auto _ : state) {
        const Variant reply = ask();
        if (server_failure::is(reply) || reply.kind() != Variant::Kind::Bytes)
            state.SkipWithError(qPrintable(server_failure::message(reply)));
    }
}

// The same page statement with the same bound values, every row read and every column made
// into its text as the server's reply needs it, in one read transaction.
void members_floor(benchmark::State &state, bool children)
{
    if (skipUnlessReady(state)) return;
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(ProfileStock::get().path);
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        state.SkipWithError("the members' SQLite file could not be opened in-process");
        sqlite3_close(db);
        return;
    }
    const MemberQueries sql(SqlDialect(SqlDialect::Kind::Sqlite), QStringLiteral("MEMBRO"),
                            {QStringLiteral("CDMEMBRO"), QStringLiteral("INTEGER")},
                            {QStringLiteral("NMMEMBRO"), QStringLiteral("VARCHAR(30)")},
                            {QStringLiteral("CDPAI"), QStringLiteral("INTEGER")});
    const MemberQueries::Level level =
        children ? MemberQueries::Level::Children : MemberQueries::Level::Top;
    const QByteArray text = sql.page(level, false).toUtf8();
    const QVariantList values = MemberQueries::values(
        level, children ? std::optional<QVariant>(12345) : std::nullopt, std::nullopt, MemberPage);
    sqlite3_stmt *page = nullptr, *begin = nullptr, *commit = nullptr;
    sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &page,
                       nullptr);
    sqlite3_prepare_v2(db, "BEGIN", -1, &begin, nullptr);
    sqlite3_prepare_v2(db, "COMMIT", -1, &commit, nullptr);
    if (!page) state.SkipWithError(sqlite3_errmsg(db));
    const int expected = children ? 10 : 9;
    for (auto _ : state) {
        if (!page) break;
        sqlite3_step(begin);
        sqlite3_reset(begin);
        int bound = 1;
        for (const QVariant &value : values)
            sqlite3_bind_int64(page, bound++, value.toLongLong());
        int rows = 0;
        while (sqlite3_step(page) == SQLITE_ROW) {
            for (int i = 0; i < 5; ++i)
                benchmark::DoNotOptimize(sqlite3_column_text(page, i));
            ++rows;
        }
        sqlite3_reset(page);
        sqlite3_step(commit);
        sqlite3_reset(commit);
        if (rows != expected) state.SkipWithError("wrong page");
    }
    sqlite3_finalize(page);
    sqlite3_finalize(begin);
    sqlite3_finalize(commit);
    sqlite3_close(db);
}

} // namespace

BENCHMARK_CAPTURE(members_ours, top, false)
    ->Name("MembersTop1M/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_floor, top, false)
    ->Name("MembersTop1M/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_ours, children, true)
    ->Name("MembersChildren1M/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(members_floor, children, true)
    ->Name("MembersChildren1M/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Profile1M_ours)->Name("Profile1M/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Profile1M_floor)->Name("Profile1M/floor")->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
