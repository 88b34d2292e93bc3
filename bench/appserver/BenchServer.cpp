#include "BenchServer.h"

#include "DataPacket.h"
#include "LoadGang.h"
#include "ServerProcess.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace bench_server {

QString codeOf(int i)
{
    return QString::number(i).rightJustified(5, QLatin1Char('0'));
}

QString sqliteFile(const ServerProcess &server, const QString &fileName,
                   const QStringList &statements)
{
    const QString path = server.tempPath(fileName);
    bool ok = true;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString &sql :
             QStringList{QStringLiteral("PRAGMA journal_mode = WAL")} + statements) {
            if (ok && !q.exec(sql)) {
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    return ok ? path : QString();
}

QStringList memberTable(int members)
{
    return {QStringLiteral("CREATE TABLE MEMBRO (CDMEMBRO INTEGER PRIMARY KEY, "
                           "NMMEMBRO VARCHAR(30), CDPAI INTEGER)"),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < %1) INSERT INTO MEMBRO SELECT i, 'Membro ' || i, "
                           "CASE WHEN i < 10 THEN NULL ELSE i / 10 END FROM n")
                .arg(members),
            QStringLiteral("CREATE INDEX MEMBRO_PAI ON MEMBRO (CDPAI)")};
}

bool start(ServerProcess &server, const QString &databaseUrl)
{
    if (server.start(databaseUrl)) return true;
    std::fprintf(stderr, "%s\n", qPrintable(server.error()));
    return false;
}

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

bool storeDimensions(const ServerProcess &server, int first, int count, const QString &namePattern)
{
    packet::Packet delta;
    delta.isDelta = true;
    delta.fields = {{"IDDIMENSAODW", 1},  {"NRSEQUEDIME", 5}, {"NMITEMDIME", 30},
                    {"CDTABELADIME", 30}, {"DSPKDIME", 30},   {"DSITEMDIME", 30},
                    {"DSPKDIME2", 30}};
    for (int i = first; i < first + count; ++i)
        delta.changes.push_back(
            {packet::ChangeOp::Insert, std::nullopt,
             packet::Row{QStringLiteral("S"), codeOf(i), namePattern.arg(codeOf(i)),
                         QStringLiteral("CLIENTE"), QStringLiteral("CDCLIENTE"),
                         QStringLiteral("NMCLIENTE"), std::nullopt}});
    auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
    const Variant reply =
        net->AppServer().Call(QStringLiteral("SetDimensao"), {packet::toVariant(delta)});
    if (reply.kind() == Variant::Kind::Bytes) return true;
    std::fprintf(stderr, "storing %d dimensions failed\n", count);
    return false;
}

void runRounds(benchmark::State &state, LoadGang &gang)
{
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        gang.runRound();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    std::vector<double> latencies = gang.takeLatenciesMs();
    std::sort(latencies.begin(), latencies.end());
    const double total = double(latencies.size());
    state.counters["req_per_s"] = seconds > 0 ? total / seconds : 0;
    state.counters["p99_ms"] = latencies.empty() ? 0 : latencies[size_t(0.99 * (total - 1))];
}

int runBenchmarks(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench_server
