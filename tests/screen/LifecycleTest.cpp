#include "ScreenFixture.h"

#include "Services.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibrary>
#include <QTcpServer>

// The package as the host uses it: loaded at run time, entered through its exported procedure.
class LifecycleTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        package.setFileName(QStringLiteral(KZR_PACKAGE_PATH));
        ASSERT_TRUE(package.load()) << package.errorString().toStdString();
        entry = reinterpret_cast<void (*)()>(package.resolve("CRIADIMENSAO"));
        iniProc = reinterpret_cast<void (*)()>(package.resolve("IniProc"));
        instance = reinterpret_cast<TfrmDimensao **>(package.resolve("frmDimensao"));
        created = reinterpret_cast<bool *>(package.resolve("boDimensao"));
        ASSERT_TRUE(entry && iniProc && instance && created);
        delete *instance; // what an earlier test in this process may have left
        ASSERT_EQ(*instance, nullptr);
        ASSERT_FALSE(*created);
    }
    void TearDown() override
    {
        if (instance)
            delete *instance;
        ScreenTest::TearDown();
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QLibrary package;
    void (*entry)() = nullptr;
    void (*iniProc)() = nullptr;
    TfrmDimensao **instance = nullptr;
    bool *created = nullptr;
};

TEST_F(LifecycleTest, LaterEntriesRestoreTheOneInstanceWithoutReloading)
{
    startServer();
    entry();
    ASSERT_TRUE(*created);
    TfrmDimensao *first = *instance;
    ASSERT_NE(first, nullptr);
    watch(first);
    EXPECT_EQ(first->cdsDados->RecordCount(), 5);
    EXPECT_EQ(first->pgcPadrao->ActivePage(), first->tshPadrao);
    EXPECT_TRUE(first->mnuDimensao->Checked());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(BusyIndicator().shown);

    first->SetWindowState(TWindowState::wsMinimized);
    entry();
    iniProc();
    EXPECT_EQ(*instance, first);
    EXPECT_EQ(first->WindowState(), TWindowState::wsNormal);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(recorder->total(), 0) << "a later entry loads nothing";

    // The host's address is read again at every connect of either connection.
    host.url = QStringLiteral("localhost");
    for (TNetConnection *net : {first->netDimensao, first->netValida}) {
        net->SetConnected(false);
        net->SetConnected(true);
        EXPECT_EQ(net->Host(), QStringLiteral("localhost")) << net->objectName().toStdString();
        EXPECT_EQ(net->Port(), host.port);
    }
}

TEST_F(LifecycleTest, ClosingDestroysTheScreenAndTheNextEntryCreatesANewOne)
{
    startServer();
    entry();
    QPointer<TfrmDimensao> first = *instance;
    ASSERT_TRUE(first->Close());
    // Closed means no longer the instance, even while the screen waits to be deleted.
    EXPECT_EQ(*instance, nullptr);
    EXPECT_FALSE(*created);

    entry(); // at once, before the closed screen is gone
    TfrmDimensao *second = *instance;
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(*instance, second); // the old screen's end leaves the new instance alone
    EXPECT_TRUE(*created);
    EXPECT_EQ(second->cdsDados->RecordCount(), 5);
}

TEST_F(LifecycleTest, AFailedFirstLoadLeavesNoInstanceAndTheNextEntryTriesAgain)
{
    // A port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    host.port = probe.serverPort();
    probe.close();

    EXPECT_THROW(entry(), EConnectionError);
    EXPECT_FALSE(*created);
    EXPECT_EQ(*instance, nullptr);
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    startServer(); // the address is read again at the next connect
    entry();
    EXPECT_TRUE(*created);
    ASSERT_NE(*instance, nullptr);
    EXPECT_EQ((*instance)->cdsDados->RecordCount(), 5);
}

TEST_F(LifecycleTest, ClosingIsRefusedWhileARecordIsBeingEdited)
{
    startServer();
    entry();
    form = *instance;
    watch(form);

    // A new dimension being entered.
    form->sbtIncluir->Click();
    EXPECT_FALSE(form->Close());
    const QString refusal = QStringLiteral("É necessário confirmar ou cancelar a transação de dados antes de fechar a janela.");
    EXPECT_EQ(messages(), QStringList{refusal});
    settle();
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    // An extra attribute being edited on the other tab.
    form->mnuExtras->Click();
    ASSERT_EQ(form->pgcPadrao->ActivePage(), form->tshExtras);
    form->sbtIncluir->Click();
    ASSERT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
    ui->clear();
    EXPECT_FALSE(form->Close());
    EXPECT_EQ(messages(), QStringList{refusal});
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    // At rest the same request closes the screen.
    EXPECT_TRUE(form->Close());
    settle();
    EXPECT_TRUE(form.isNull());
    EXPECT_FALSE(*created);
}
