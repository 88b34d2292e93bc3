#include "ScreenFixture.h"

#include "BusyWindow.h"
#include "EventBoundary.h"
#include "RecordingProxy.h"
#include "Services.h"
#include "ShowCounter.h"

// Notes whether the busy indicator still showed at each cache notice.
class BusyNotingHost : public TestHost
{
public:
    void atualizaLocalCache(const QStringList &tables) override
    {
        busyAtNotice << BusyIndicator().shown;
        TestHost::atualizaLocalCache(tables);
    }
    QList<bool> busyAtNotice;
};

// Every post and delete goes to the server at once; a failed save keeps its change for the next
// one; a refresh replaces everything.
class SavingTest : public ScreenTest
{
protected:
    BusyNotingHost noting; // outlives the screen, which the fixture deletes
};

TEST_F(SavingTest, ANewDimensionIsOnTheServerOnceConfirmed)
{
    startServer();
    noting.port = host.port;
    noting.access = host.access;
    TApplication::SetHost(&noting);
    openScreen();
    goTo(QStringLiteral("00004"));
    include(QStringLiteral("12"), QStringLiteral("Regiões"), QStringLiteral("regiao"),
            QStringLiteral("cdregiao"), QStringLiteral("nmregiao"));
    forget();
    confirm();

    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao", "SetDimensao"}));
    EXPECT_TRUE(timeline.contains(QStringLiteral("call:SetDimensao[1:Atualizando Dados no Servidor]")));
    EXPECT_EQ(noting.cacheNotices, QStringList{"DIMENSAODIME"});
    EXPECT_EQ(noting.busyAtNotice, QList<bool>{true}) << "the notice goes before the indicator is hidden";
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00012|Regiões|REGIAO|CDREGIAO|NMREGIAO||S")));

    // The grid shows the server's list, on its first row, with nothing pending.
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(form->cdsDados->RecordCount(), 6);
    EXPECT_EQ(form->cdsDados->RecNo(), 1);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_TRUE(form->mnuIncluir->Enabled());
}

// The busy window: its state goes on and off with every call, but the window itself comes up
// only for a call slow enough to be noticed, while the screen waits for the server.
TEST_F(SavingTest, TheBusyWindowComesUpOnlyWhileASlowSaveWaits)
{
    startServer();
    openScreen();
    RecordingProxy proxy(server.host(), server.port());
    proxy.start();
    host.port = proxy.port();
    form->netDimensao->SetConnected(false);
    form->netDimensao->SetConnected(true);
    host.port = server.port();

    const ShowCounter windows(QStringLiteral("BusyWindow"));
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Clientes de sempre"));
    confirm();
    EXPECT_TRUE(timeline.contains(QStringLiteral("call:SetDimensao[1:Atualizando Dados no Servidor]")));
    EXPECT_EQ(windows.count(), 0) << "a quick save shows no window";

    proxy.setReplyDelay(BusyWindow::ShowAfterMs + 300);
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Clientes"));
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(windows.count(), 0);
    EXPECT_FALSE(BusyIndicator().shown);
    QWidget *window = host.main->findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00001|Clientes|CLIENTE|CDCLIENTE|NMCLIENTE||S")))
        << storedDimensions().join(QLatin1Char('\n')).toStdString();
}

TEST_F(SavingTest, AlteringAndDeletingReachTheServer)
{
    startServer(emptyDatabaseUrl());
    openScreen();
    include(QStringLiteral("1"), QStringLiteral("Única"));
    confirm();
    ASSERT_EQ(storedDimensions(), QStringList{"00001|Única|||||S"});

    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Única e só"));
    confirm();
    EXPECT_EQ(storedDimensions(), QStringList{"00001|Única e só|||||S"});

    // Deleting the only dimension: the server's empty list comes back and the record commands close.
    forget();
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_EQ(messages(), QStringList{"Confirma exclusão?"});
    EXPECT_EQ(callsMade(), QStringList{"SetDimensao"});
    EXPECT_TRUE(storedDimensions().isEmpty());
    EXPECT_TRUE(form->cdsDados->IsEmpty());
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuFechar"}));
    EXPECT_FALSE(form->tshExtras->Enabled());

    // With nothing pending no call is made.
    forget();
    form->cdsDadosAfterPost(form->cdsDados);
    EXPECT_EQ(recorder->total(), 0);
}

TEST_F(SavingTest, ARefusedDeleteIsTakenBackAndNoLaterSaveCarriesIt)
{
    startServer();
    openScreen();
    // The server refuses to delete a dimension that still has extra attributes.
    goTo(QStringLiteral("00001"));
    forget();
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages()[1].startsWith(serverFailureReport(QString())));
    EXPECT_TRUE(messages()[1].contains(QStringLiteral("00001")));
    EXPECT_EQ(host.cacheNotices, QStringList{});
    // After the message the list is what the server holds, on the record that was current.
    EXPECT_EQ(callsMade(), (QStringList{"SetDimensao", "getDimensao"}));
    EXPECT_TRUE(timeline.indexOf(QStringLiteral("call:getDimensao[6:Recebendo Dados Do Servidor]")) >
                timeline.indexOf(QStringLiteral("msg:") + messages()[1]));
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_EQ(form->cdsDados->RecordCount(), 5);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00002"));

    // The next change goes alone and reaches the server.
    forget();
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Cidades e vilas"));
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_TRUE(storedCodes().contains(QStringLiteral("00001")));
    EXPECT_EQ(storedDimensions().filter(QStringLiteral("00002|")).value(0).section('|', 1, 1), QStringLiteral("Cidades e vilas"));
}

// Two changes wait in one delta and the server refuses one of them (a dimension with extras
// cannot go): each then goes alone, the refused one is taken back and the other is saved.
TEST_F(SavingTest, ARefusalTakesBackOnlyTheRefusedChange)
{
    startServer();
    openScreen();
    ASSERT_NO_FATAL_FAILURE(deleteUnsent(QStringLiteral("00001")));
    goTo(QStringLiteral("00002"));
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Cidades e vilas"));
    forget();
    confirm();
    EXPECT_EQ(calls(QStringLiteral("SetDimensao")), 3); // the delta, then the delete, the rename
    ASSERT_EQ(messages().size(), 1) << messages().join('\n').toStdString();
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("00001")));
    EXPECT_EQ(host.cacheNotices, QStringList{"DIMENSAODIME"});
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_EQ(form->cdsDados->RecordCount(), 5);
    EXPECT_EQ(form->cdsDados->RecNo(), 1);
    EXPECT_TRUE(storedCodes().contains(QStringLiteral("00001")));
    EXPECT_EQ(storedDimensions().filter(QStringLiteral("00002|")).value(0).section('|', 1, 1), QStringLiteral("Cidades e vilas"));
}

TEST_F(SavingTest, ARefreshAsksFirstAndDiscardsAnUnsentChangeWhenTold)
{
    startServer();
    openScreen();
    ASSERT_NO_FATAL_FAILURE(deleteUnsent(QStringLiteral("00001")));

    // Cancel: back to the window, the change still waiting.
    forget();
    ui->dialogAnswers.push(mrCancel);
    form->sbtVerificar->Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Há 1 alteração não gravada no servidor.\n"
                                                        "Exclusão: dimensão 00001 – ")))
        << messages()[0].toStdString();
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    forget();
    form->dbgPadrao->SetSelectedIndex(2);
    ui->dialogAnswers.push(mrNo);
    form->sbtVerificar->Click();
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
    EXPECT_EQ(timeline.mid(1), (QStringList{"call:getDimensao[6:Recebendo Dados Do Servidor]", "focus:NRSEQUEDIME"}));
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNRSEQUEDIME);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_EQ(form->cdsDados->RecordCount(), 5);
    EXPECT_FALSE(BusyIndicator().shown);

    // The next save sends nothing of the discarded delete.
    form->sbtAlterar->Click();
    type(form->cdsDadosDSPKDIME2, QStringLiteral("cdcidade"));
    ui->clear();
    confirm();
    EXPECT_TRUE(storedCodes().contains(QStringLiteral("00001")));
}

TEST_F(SavingTest, RefreshOnTheExtrasTabReloadsOnlyTheExtras)
{
    startServer();
    openScreen();
    form->mnuExtras->Click();
    forget();
    form->sbtVerificar->Click();
    EXPECT_EQ(callsMade(), QStringList{"GetExtras"});
}

TEST_F(SavingTest, AnUnreachableServerAtSaveKeepsTheChange)
{
    startServer();
    openScreen();
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Clientes Ativos"));
    server.kill();
    forget();
    confirm();
    // The duplicate query is the first call to fail; the post is refused and the edit stays.
    EXPECT_EQ(messages().size(), 1);
    EXPECT_TRUE(editing());
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_EQ(form->cdsDadosNMITEMDIME->AsString(), QStringLiteral("Clientes Ativos"));
}

// A restarted server knows nothing of the session: that answer says nothing about the change,
// which stays pending (one report, no reload) and goes once the user has logged in again.
TEST_F(SavingTest, AChangeMetByAnEndedSessionGoesAfterTheNextLogin)
{
    startServer();
    openScreen();
    goTo(QStringLiteral("00003"));
    server.stop();
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    ASSERT_EQ(form->cdsDados->ChangeCount(), 1);
    ASSERT_TRUE(server.start(server.databaseUrl())) << server.error().toStdString();
    reachServer(true);

    forget();
    ui->dialogAnswers.push(mrYes);
    EXPECT_FALSE(form->Close());
    ASSERT_EQ(messages().size(), 2) << messages().join('\n').toStdString();
    EXPECT_TRUE(messages()[1].contains(QStringLiteral("A sessão terminou")));
    EXPECT_EQ(callsMade(), QStringList{"SetDimensao"});
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    host.access = server.access(); // the new login
    ui->dialogAnswers.push(mrYes);
    EXPECT_TRUE(form->Close());
    EXPECT_FALSE(storedCodes().contains(QStringLiteral("00003")));
}
