// No single server in the way: sessions that live in the database, a server that stops without
// dropping its clients, clients that move to the next server, a database that fails over.
#include "Deltas.h"
#include "OpsPage.h"
#include "PostgresInstance.h"
#include "RawWireClient.h"
#include "ServerFailure.h"
#include "StorageFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <csignal>
#include <future>
#include <thread>

namespace {

using namespace deltas;

// Waits (bounded) for a condition another thread or process makes true.
template <typename Condition> bool eventually(Condition condition, int ms = 20000)
{
    for (QDeadlineTimer deadline(ms); !condition(); QThread::msleep(20))
        if (deadline.hasExpired()) return false;
    return true;
}

// A user who saves one new dimension after another through a client that knows the servers,
// as the screen would, on its own thread. Keeps the codes acknowledged, those whose outcome is
// unknown, and the longest time between two acknowledged saves: the pause the user sees.
struct Saver
{
    Saver(QString list, ServerAccess session, int saves)
        : servers(std::move(list)), access(std::move(session)), wanted(saves)
    {
    }

    QString servers;
    ServerAccess access;
    int wanted = 0;
    std::atomic<int> acknowledged{0};
    QStringList saved, unknown, failures, answering;
    qint64 longestPauseMs = 0;

    void run()
    {
        TNetConnection net;
        net.SetServerName("KZR01200.rdmDimensao");
        net.SetHost(servers);
        net.SetAccess(access);
        net.SetConnected(true);
        QElapsedTimer sinceLast;
        sinceLast.start();
        for (int code = 1001; acknowledged < wanted && code < 1000 + wanted * 4; ++code) {
            const QString name = QStringLiteral("Falha %1").arg(code);
            try {
                const Variant reply = net.AppServer().Call(
                    "SetDimensao", {RemoteArg(ofDimensions({insert(dimension(QString::number(code), name))}))});
                if (!server_failure::is(reply)) {
                    saved << QString::number(code).rightJustified(5, '0');
                    longestPauseMs = std::max(longestPauseMs, sinceLast.restart());
                    ++acknowledged;
                    if (!answering.contains(net.ServerAnswering())) answering << net.ServerAnswering();
                    continue;
                }
                failures << server_failure::message(reply);
            } catch (const EConnectionError &e) {
                failures << e.Message();
            }
            if (failures.last().contains("não é possível saber"))
                unknown << QString::number(code).rightJustified(5, '0');
            QThread::msleep(100); // as a user would try again
        }
    }
};

QStringList storedCodes(const QString &url, const QString &names = QStringLiteral("Falha %"))
{
    QStringList codes;
    {
        QSqlDatabase db = DatabaseConfig::parse(url).addConnection("codes");
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        query.prepare("SELECT NRSEQUEDIME FROM DIMENSAODIME WHERE NMITEMDIME LIKE ? ORDER BY 1");
        query.addBindValue(names);
        query.exec();
        while (query.next())
            codes << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("codes");
    return codes;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// A session opened on one server is resumed on another and outlives a restart of each; the
// client with both servers saves on while each stops in turn: nothing asks for a new login,
// nothing is lost, nothing is saved twice. Logging out and a new password end sessions on
// every server.
TEST(Failover, TwoServersShareSessionsAndARestartOfEachInTurnLosesNothing)
{
    const QStringList idle{"--session-idle", "8"}; // sessions checked every 2 s
    ServerProcess a, b;
    ASSERT_TRUE(a.start({}, idle)) << a.error();
    ASSERT_TRUE(b.start(a.databaseUrl(), idle)) << b.error();
    const ServerAccess session = a.access();
    RawWireClient elsewhere;
    ASSERT_TRUE(elsewhere.connectTo(b.host(), b.port()));
    EXPECT_TRUE(elsewhere.resume(session.sessionToken));

    const auto listening = [](quint16 port) {
        return QStringList{"--listen", QStringLiteral("127.0.0.1:%1").arg(port)};
    };
    Saver user(QStringLiteral("127.0.0.1:%1,127.0.0.1:%2").arg(a.port()).arg(b.port()), session, 40);
    std::thread work([&] { user.run(); });
    ASSERT_TRUE(eventually([&] { return user.acknowledged >= 10; }));
    ASSERT_TRUE(a.start(a.databaseUrl(), idle + listening(a.port()))) << a.error();
    ASSERT_TRUE(eventually([&] { return user.acknowledged >= 25; }));
    ASSERT_TRUE(b.start(b.databaseUrl(), idle + listening(b.port()))) << b.error();
    work.join();
    EXPECT_TRUE(user.failures.isEmpty()) << user.failures.join('\n').toStdString();
    EXPECT_EQ(user.saved.size(), 40);
    EXPECT_EQ(storedCodes(a.databaseUrl()), sorted(user.saved));
    EXPECT_EQ(user.answering.size(), 2) << user.answering.join(' ').toStdString();
    std::printf("[ figure ] longest pause while each server restarted: %lld ms\n",
                static_cast<long long>(user.longestPauseMs));

    // Out on one server is out on the other (within the check period), and so is every
    // session of a user whose password changed.
    const ServerAccess other = b.login("kzr-test", "kzr-test");
    RawWireClient leaving;
    ASSERT_TRUE(leaving.connectTo(b.host(), b.port()));
    ASSERT_TRUE(leaving.resume(other.sessionToken));
    leaving.sendRequest({"KZR.Sessao", "logout", {}});
    ASSERT_TRUE(leaving.readReply().has_value());
    EXPECT_EQ(a.admin({"user", "passwd", "demo"}, "nova\n"), 0);
    for (const ServerAccess &ended : {other, session}) {
        EXPECT_TRUE(eventually([&] {
            RawWireClient later;
            return later.connectTo(a.host(), a.port()) && !later.resume(ended.sessionToken);
        }));
    }
}

// SIGTERM: the server takes no new connection, /health answers 503, a client with nothing
// under way is told at once, and the save under way is finished before the server ends.
TEST(Failover, AStoppingServerFinishesTheCallUnderWayAndTellsEveryClient)
{
    ServerProcess server;
    ASSERT_TRUE(server.start({}, {"--metrics", "127.0.0.1:0", "--http", "127.0.0.1:0"}))
        << server.error();
    const OpsPage ops(server);
    static const QRegularExpression announced("API HTTP em http://127.0.0.1:(\\d+)/");
    const QRegularExpressionMatch http = announced.match(server.output());
    ASSERT_TRUE(http.hasMatch()) << server.output().toStdString();
    const quint16 httpPort = quint16(http.captured(1).toUInt());
    ASSERT_TRUE(RawWireClient().connectTo(server.host(), httpPort, 1000));
    RawWireClient idle;
    ASSERT_TRUE(idle.connectTo(server.host(), server.port()));
    ASSERT_TRUE(idle.resume(server.access().sessionToken));
    QSqlDatabase holder = DatabaseConfig::parse(server.databaseUrl()).addConnection("holder");
    ASSERT_TRUE(holder.open());
    QSqlQuery lock(holder);
    ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE")); // the save waits for this lock
    auto save = std::async(std::launch::async, [&] {
        return TestClient(server).saveDimensions(ofDimensions({insert(dimension("77", "Em curso"))}));
    });
    ASSERT_TRUE(eventually([&] {
        return ops.metric("kzr_requests_total{module=\"KZR01200.rdmDimensao\",method=\"SetDimensao\"}") >= 1;
    }));
    ::kill(pid_t(server.pid()), SIGTERM);
    EXPECT_EQ(ops.waitForHealth(503, 5000), 503);
    const std::optional<wire::Reply> told = idle.readReply();
    ASSERT_TRUE(told.has_value());
    EXPECT_TRUE(told->stopping.has_value());
    RawWireClient late, lateHttp;
    EXPECT_FALSE(late.connectTo(server.host(), server.port(), 1000));
    EXPECT_FALSE(lateHttp.connectTo(server.host(), httpPort, 1000)); // nor on the HTTP port
    lock.exec("ROLLBACK");
    EXPECT_EQ(save.get(), "");
    EXPECT_EQ(server.waitForExit(10000), 0);
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    EXPECT_EQ(storedCodes(server.databaseUrl(), "Em curso"), QStringList{"00077"});
    EXPECT_TRUE(server.output().contains("parando")) << server.output().toStdString();
}

// A server killed under a save: the client reads on the next server whether it was stored, and
// sends it there only because it was not. Stored once.
TEST(Failover, ASaveCutOffWithItsServerIsSentAgainOnlyWhenTheNextShowsItUnsaved)
{
    ServerProcess a, b;
    ASSERT_TRUE(a.start({}, {"--metrics", "127.0.0.1:0"})) << a.error();
    ASSERT_TRUE(b.start(a.databaseUrl())) << b.error();
    const ServerAccess session = a.access();
    QSqlDatabase holder = DatabaseConfig::parse(a.databaseUrl()).addConnection("holder");
    ASSERT_TRUE(holder.open());
    QSqlQuery lock(holder);
    ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));
    auto save = std::async(std::launch::async, [&] {
        TNetConnection net;
        net.SetServerName("KZR01200.rdmDimensao");
        net.SetHost(QStringLiteral("127.0.0.1:%1,127.0.0.1:%2").arg(a.port()).arg(b.port()));
        net.SetAccess(session);
        net.SetConnected(true);
        const Variant reply = net.AppServer().Call(
            "SetDimensao", {RemoteArg(ofDimensions({insert(dimension("88", "Falha cortada"))}))});
        return TestClient::failureOf(reply);
    });
    const OpsPage ops(a);
    ASSERT_TRUE(eventually([&] {
        return ops.metric("kzr_requests_total{module=\"KZR01200.rdmDimensao\",method=\"SetDimensao\"}") >= 1;
    }));
    a.kill();
    lock.exec("ROLLBACK");
    EXPECT_EQ(save.get(), "");
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    EXPECT_EQ(storedCodes(b.databaseUrl()), QStringList{"00088"});
}

// A primary with a streaming standby whose commits it waits for; the server knows both hosts.
// The primary goes away under load and the standby is promoted: every acknowledged save is
// on the new primary, and the workers find it by themselves.
TEST(Failover, APromotedStandbyHoldsEveryAcknowledgedSave)
{
    if (!PostgresInstance::unavailableReason().isEmpty())
        GTEST_SKIP() << PostgresInstance::unavailableReason();
    PostgresInstance primary, standby;
    ASSERT_TRUE(primary.start()) << primary.error();
    ASSERT_FALSE(primary.createDatabase("kzr_failover").isEmpty()) << primary.error();
    ASSERT_TRUE(standby.startStandbyOf(primary)) << standby.error();
    ASSERT_TRUE(primary.waitForStandby()) << primary.error();
    {
        // The application's table the dimensions are over.
        QSqlDatabase db = DatabaseConfig::parse(primary.url("kzr_failover")).addConnection("app");
        ASSERT_TRUE(db.open() && QSqlQuery(db).exec("CREATE TABLE CLIENTE (CDCLIENTE INTEGER "
                                                    "PRIMARY KEY, NMCLIENTE VARCHAR(60))"))
            << db.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("app");
    const QString url = QStringLiteral("postgresql://postgres@127.0.0.1:%1,127.0.0.1:%2/"
                                       "kzr_failover?target_session_attrs=read-write")
                            .arg(primary.port())
                            .arg(standby.port());
    ServerProcess server;
    ASSERT_TRUE(server.start(url, {"--connect-timeout", "2", "--statement-timeout", "3"}))
        << server.error();
    Saver user(QStringLiteral("127.0.0.1:%1").arg(server.port()), server.access(), 30);
    std::thread work([&] { user.run(); });
    if (!eventually([&] { return user.acknowledged >= 10; })) {
        work.join(); // never left running past the test
        FAIL() << user.failures.join('\n').toStdString();
    }
    primary.stop();
    ASSERT_TRUE(standby.promote()) << standby.error();
    work.join();
    EXPECT_EQ(user.saved.size(), 30) << user.failures.join('\n').toStdString();
    const QStringList stored = storedCodes(standby.url("kzr_failover"));
    for (const QString &code : user.saved)
        EXPECT_TRUE(stored.contains(code)) << code.toStdString();
    for (const QString &code : stored)
        EXPECT_TRUE(user.saved.contains(code) || user.unknown.contains(code)) << code.toStdString();
    std::printf("[ figure ] longest pause while the standby was promoted: %lld ms (%lld failed "
                "tries)\n",
                static_cast<long long>(user.longestPauseMs),
                static_cast<long long>(user.failures.size()));
    for (const QString &failure : std::as_const(user.failures))
        std::printf("           %s\n", qPrintable(failure));
}

} // namespace
