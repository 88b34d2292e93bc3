// Record sets and the connection against the real application server: what the screen's
// saves rely on, end to end through packets, deltas and the wire.
#include "BackgroundCaller.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QStringList DimensionFields = {"IDDIMENSAODW", "NRSEQUEDIME", "NMITEMDIME", "CDTABELADIME",
                                     "DSPKDIME",     "DSITEMDIME",  "DSPKDIME2"};

struct RealServer : ::testing::Test
{
    ServerProcess server;
    std::unique_ptr<TNetConnection> net;

    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << qPrintable(server.error());
        net = server.connect("KZR01200.rdmDimensao");
    }

    static void declare(TClientDataSet &set)
    {
        for (const QString &name : DimensionFields)
            set.AddField(name, name == "IDDIMENSAODW" ? 1 : name == "NRSEQUEDIME" ? 5 : 30);
    }

    void load(TClientDataSet &set)
    {
        const Variant reply = net->AppServer().Call("getDimensao", {"", ""});
        ASSERT_FALSE(server_failure::is(reply)) << qPrintable(server_failure::message(reply));
        set.SetData(reply);
    }

    Variant save(TClientDataSet &set)
    {
        return net->AppServer().Call("SetDimensao", {set.Delta()});
    }

    static bool locate(TClientDataSet &set, const QString &code)
    {
        for (set.First(); !set.Eof(); set.Next())
            if (set.FieldByName("NRSEQUEDIME")->AsString() == code) return true;
        return false;
    }
};

} // namespace

TEST_F(RealServer, PostedChangesReachTheServerAndComeBackInTheList)
{
    TClientDataSet cds(nullptr, "cdsDados");
    declare(cds);
    load(cds);
    const int before = cds.RecordCount();
    ASSERT_GT(before, 0);
    ASSERT_FALSE(locate(cds, "09999"));

    cds.Append();
    const QStringList values = {"S",         "09999", "Plataforma", "CLIENTE", "CDCLIENTE",
                                "NMCLIENTE", ""};
    for (int i = 0; i < values.size(); ++i)
        if (!values[i].isEmpty()) cds.FieldByName(DimensionFields[i])->SetAsString(values[i]);
    cds.Post();
    const Variant reply = save(cds);
    ASSERT_FALSE(server_failure::is(reply)) << qPrintable(server_failure::message(reply));
    cds.SetData(reply);
    EXPECT_EQ(cds.RecordCount(), before + 1);
    EXPECT_EQ(cds.ChangeCount(), 0);
    ASSERT_TRUE(locate(cds, "09999"));
    EXPECT_EQ(cds.FieldByName("NMITEMDIME")->AsString(), "Plataforma");
    EXPECT_TRUE(cds.FieldByName("DSPKDIME2")->IsNull());

    cds.Edit();
    cds.FieldByName("NMITEMDIME")->SetAsString("Plataforma 2");
    cds.Post();
    cds.SetData(save(cds));
    TClientDataSet fresh(nullptr, "cdsFresco");
    declare(fresh);
    load(fresh);
    ASSERT_TRUE(locate(fresh, "09999"));
    EXPECT_EQ(fresh.FieldByName("NMITEMDIME")->AsString(), "Plataforma 2");
}

TEST_F(RealServer, StaleChangeIsRefusedAndStaysInTheLog)
{
    TClientDataSet mine(nullptr, "cdsDados"), theirs(nullptr, "cdsOutro");
    declare(mine);
    declare(theirs);
    load(mine);
    load(theirs);
    const QString code = mine.FieldByName("NRSEQUEDIME")->AsString();

    ASSERT_TRUE(locate(theirs, code));
    theirs.Edit();
    theirs.FieldByName("NMITEMDIME")->SetAsString("Deles");
    theirs.Post();
    ASSERT_FALSE(server_failure::is(save(theirs)));

    ASSERT_TRUE(locate(mine, code));
    mine.Edit();
    mine.FieldByName("NMITEMDIME")->SetAsString("Meu");
    mine.Post();
    const Variant reply = save(mine);
    ASSERT_TRUE(server_failure::is(reply));
    EXPECT_TRUE(server_failure::message(reply).contains("alterado ou excluído por outro usuário"))
        << qPrintable(server_failure::message(reply));
    EXPECT_EQ(mine.ChangeCount(), 1); // sent again with the next save unless reloaded
}

TEST_F(RealServer, BulkToggleThroughACopySavesEveryRecord)
{
    TClientDataSet cds(nullptr, "cdsDados"), copy(nullptr, "cdsVDDados");
    declare(cds);
    declare(copy);
    load(cds);
    copy.SetData(cds.Data());
    for (copy.First(); !copy.Eof();) {
        copy.Edit();
        copy.FieldByName("IDDIMENSAODW")->SetAsString("N");
        copy.Next();
    }
    const Variant reply = save(copy);
    ASSERT_FALSE(server_failure::is(reply)) << qPrintable(server_failure::message(reply));
    copy.MergeChangeLog();
    cds.SetData(copy.Data());

    TClientDataSet fresh(nullptr, "cdsFresco");
    declare(fresh);
    load(fresh);
    EXPECT_EQ(fresh.RecordCount(), cds.RecordCount());
    for (fresh.First(); !fresh.Eof(); fresh.Next())
        EXPECT_EQ(fresh.FieldByName("IDDIMENSAODW")->AsString(), "N");
}

TEST_F(RealServer, ServerGoneMeansConnectionErrorAndTheSetKeepsItsContent)
{
    TClientDataSet cds(nullptr, "cdsDados");
    declare(cds);
    load(cds);
    const int count = cds.RecordCount();
    server.kill();
    EXPECT_THROW(net->AppServer().Call("getDimensao", {"", ""}), EConnectionError);
    EXPECT_EQ(cds.RecordCount(), count);
}

TEST_F(RealServer, ABackgroundCallAnswersOnTheOwnersThreadAndKeepsAnEndedSessionToItself)
{
    int told = 0;
    TNetConnection::SetSessionEndedHandler([&](const QString &) { ++told; });
    BackgroundCaller caller;
    QList<Variant> replies;
    QList<QThread *> threads;
    QObject::connect(&caller, &BackgroundCaller::answered, [&](quint64, const Variant &reply) {
        replies << reply;
        threads << QThread::currentThread();
    });
    const auto ask = [&](const ServerAccess &access) {
        const qsizetype before = replies.size();
        caller.call({server.host(), server.port(), access, "KZR01200.rdmDimensao", "getDimensao",
                     {"", ""}});
        for (QDeadlineTimer deadline(20000); replies.size() == before && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    ask(server.access());
    ServerAccess forged = server.access();
    forged.sessionToken = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    ask(forged);
    TNetConnection::SetSessionEndedHandler(nullptr);

    ASSERT_EQ(replies.size(), 2);
    EXPECT_FALSE(server_failure::is(replies[0]));
    EXPECT_TRUE(server_failure::isSessionEnded(replies[1]));
    EXPECT_EQ(threads, (QList<QThread *>{QThread::currentThread(), QThread::currentThread()}));
    EXPECT_EQ(told, 0); // the host's handler runs dialogs: never from the caller's thread
}
