#include "FrameworkTesting.h"
#include "BusyWindow.h"
#include "Services.h"
#include "ShowCounter.h"
#include "TDataSource.h"

#include <QCursor>
#include <QGuiApplication>
#include <QApplication>
#include <QMainWindow>
#include <QTest>

using namespace testing_support;

class ServicesTest : public FrameworkTest {};

TEST_F(ServicesTest, BusyIndicatorShowsOverTheMainWindowAndHidingTwiceIsHarmless)
{
    QMainWindow main;
    main.resize(800, 600);
    main.show();
    const ShowCounter windows(QStringLiteral("BusyWindow"));

    DeactiveShowAvi(); // nothing shown: nothing happens
    EXPECT_FALSE(BusyIndicator().shown);

    ActiveShowAvi(&main, 6, QStringLiteral("Recebendo Dados Do Servidor"));
    BusyIndicatorState state = BusyIndicator();
    EXPECT_TRUE(state.shown);
    EXPECT_EQ(state.kind, 6);
    EXPECT_EQ(state.text, QStringLiteral("Recebendo Dados Do Servidor"));
    // The window itself waits until the indicator has been on for a while.
    QWidget *window = main.findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(window, nullptr);
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([window] { return window->isVisible(); }));
    EXPECT_TRUE(main.frameGeometry().contains(window->geometry().center()));
    EXPECT_EQ(windows.count(), 1);

    DeactiveShowAvi();
    DeactiveShowAvi();
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_FALSE(window->isVisible());

    // Off before its time: the window never comes up, even when the event loop turns later.
    ActiveShowAvi(&main, 1, QStringLiteral("Atualizando Dados no Servidor"));
    DeactiveShowAvi();
    QTest::qWait(BusyWindow::ShowAfterMs + 200);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(windows.count(), 1);
}

TEST_F(ServicesTest, ScreenCursorIsTheApplicationsOverrideCursor)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    SetScreenCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetScreenCursor(crHourGlass); // setting it again stacks nothing
    SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ServicesTest, HostServicesComeFromTheInstalledHost)
{
    EXPECT_EQ(WebPort(), 21201); // no host: the protocol's default
    RecordingHost host;
    TApplication::SetHost(&host);
    EXPECT_EQ(WebURL(), QStringLiteral("servidor.teste"));
    EXPECT_EQ(WebPort(), 4321);
    EXPECT_EQ(TApplication::MainForm(), host.window);
    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("DIMENSAODIME"))}));
    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("A")), Variant(QStringLiteral("B"))}));
    ASSERT_EQ(host.cacheCalls.size(), 2);
    EXPECT_EQ(host.cacheCalls[0], QStringList{QStringLiteral("DIMENSAODIME")});
    EXPECT_EQ(host.cacheCalls[1], (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST_F(ServicesTest, PickListAndFindPositionTheRecordSetThroughTheSeam)
{
    auto dataSet = peopleSet({{QStringLiteral("1"), QStringLiteral("Ana")},
                              {QStringLiteral("2"), QStringLiteral("Bruno")},
                              {QStringLiteral("3"), QStringLiteral("Carla")}});
    TDataSource source(nullptr, QStringLiteral("dtsFields"));
    source.SetDataSet(dataSet.get());

    seam->pickAnswers.push(2);
    EXPECT_TRUE(Pesquisar(&source, QStringLiteral("Campos")));
    EXPECT_EQ(dataSet->RecNo(), 3);
    seam->pickAnswers.push(std::nullopt);
    EXPECT_FALSE(Pesquisar(&source, QStringLiteral("Campos")));
    EXPECT_EQ(dataSet->RecNo(), 3);
    ASSERT_EQ(seam->shown.size(), 2u);
    EXPECT_EQ(seam->shown[0].kind, ScriptedInteraction::Shown::PickList);
    EXPECT_EQ(seam->shown[0].text, QStringLiteral("Campos"));

    // Find: anywhere in the text (a prefix first), any letter case;
    // a miss and a cancel leave the record where it was.
    seam->findAnswers.push(std::make_pair(QStringLiteral("NOME"), QStringLiteral("RLA")));
    Procura(dataSet.get());
    EXPECT_EQ(dataSet->RecNo(), 3);
    seam->findAnswers.push(std::make_pair(QStringLiteral("NOME"), QStringLiteral("bru")));
    Procura(dataSet.get());
    EXPECT_EQ(dataSet->RecNo(), 2);
    seam->findAnswers.push(std::make_pair(QStringLiteral("NOME"), QStringLiteral("Zé")));
    Procura(dataSet.get());
    seam->findAnswers.push(std::nullopt);
    Procura(dataSet.get());
    EXPECT_EQ(dataSet->RecNo(), 2);
    EXPECT_EQ(seam->shown.back().kind, ScriptedInteraction::Shown::Find);

    // A closed record set opens no dialog at all.
    dataSet->Close();
    const size_t shown = seam->shown.size();
    EXPECT_FALSE(Pesquisar(&source, QStringLiteral("Campos")));
    Procura(dataSet.get());
    EXPECT_EQ(seam->shown.size(), shown);
}
