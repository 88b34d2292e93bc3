#include "HostTesting.h"
#include "Services.h"
#include "TfrmPadraoGrid.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

TEST_F(HostTest, TheEntryCreatesTheScreenOnceInTheHostsAreaAndLaterCallsShowItAgain)
{
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzrtest_ok"), QStringLiteral("&Dimensão"));
    const int before = runsOf(QStringLiteral("Pkg_kzrtest_ok"));

    // Through the menu, as the user opens it.
    QAction *menuItem = window->findChild<QAction *>(QStringLiteral("mnuKZR01200"));
    ASSERT_NE(menuItem, nullptr);
    menuItem->trigger();
    EXPECT_TRUE(seam->shown.empty()) << (seam->shown.empty() ? "" : seam->shown[0].text.toStdString());
    EXPECT_EQ(runsOf(QStringLiteral("Pkg_kzrtest_ok")), before + 1);
    ASSERT_EQ(window->area()->subWindowList().size(), 1);
    QMdiSubWindow *frame = window->area()->subWindowList().first();
    auto *form = qobject_cast<TfrmPadraoGrid *>(frame->widget());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->lblCodTela->text(), QStringLiteral("KZR01200"));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // The screen's operation menu joins the host's menu bar while the screen is active.
    EXPECT_TRUE(window->menuBar()->actions().contains(form->mnuOperacao->menuAction()));

    // A minimised screen comes back on the next call; still one screen.
    frame->showMinimized();
    EXPECT_TRUE(window->openScreen(QStringLiteral("kzr01200")));
    EXPECT_EQ(window->area()->subWindowList().size(), 1);
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_EQ(runsOf(QStringLiteral("Pkg_kzrtest_ok")), before + 2);
    EXPECT_TRUE(window->packages().isLoaded(QStringLiteral("Pkg_kzrtest_ok")));
}

TEST_F(HostTest, AMissingPackageAMissingEntryAndAThrowingEntryAreReportedNotFatal)
{
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_naoexiste"), QStringLiteral("&Dimensão"));
    EXPECT_FALSE(window->openScreen(QStringLiteral("KZR01200")));
    ASSERT_EQ(seam->messages().size(), 1);
    EXPECT_TRUE(seam->messages()[0].contains(QStringLiteral("Pkg_naoexiste")));
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtError);

    EXPECT_FALSE(window->packages().runCreate(QStringLiteral("Pkg_kzrtest_nosymbol")));
    ASSERT_EQ(seam->messages().size(), 2);
    EXPECT_TRUE(seam->messages()[1].contains(QStringLiteral("CRIADIMENSAO"))) << seam->messages()[1].toStdString();

    const int before = runsOf(QStringLiteral("Pkg_kzrtest_throws"));
    EXPECT_FALSE(window->packages().runCreate(QStringLiteral("Pkg_kzrtest_throws")));
    EXPECT_EQ(runsOf(QStringLiteral("Pkg_kzrtest_throws")), before + 1);
    ASSERT_EQ(seam->messages().size(), 3);
    EXPECT_EQ(seam->messages()[2], serverFailureReport(QStringLiteral("Servidor indisponível")));

    EXPECT_FALSE(window->openScreen(QStringLiteral("XYZ99999")));
    EXPECT_EQ(seam->messages().size(), 4);
    EXPECT_TRUE(window->area()->subWindowList().isEmpty());

    // Load failures go out as exceptions from load itself, for callers that want them.
    EXPECT_THROW(window->packages().load(QStringLiteral("Pkg_naoexiste")), Exception);
}

TEST_F(HostTest, ClosingTheHostClosesItsScreensThroughTheirOwnCloseHandling)
{
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzrtest_ok"), QStringLiteral("&Dimensão"));
    ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200")));
    ASSERT_EQ(window->area()->subWindowList().size(), 1);
    QPointer<QWidget> form = window->area()->subWindowList().first()->widget();
    EXPECT_TRUE(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()); // the base form frees itself on close
    EXPECT_TRUE(window->area()->subWindowList().isEmpty());

    // The package's next call makes a new screen, as after any close.
    window->show();
    ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200")));
    EXPECT_EQ(window->area()->subWindowList().size(), 1);
}
