#include "HostTesting.h"
#include "Services.h"
#include "TClientDataSet.h"
#include "TfrmPadraoGrid.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

TEST_F(HostTest, ServicesComeFromTheHostsOptionsAndCacheNewsShowsInTheStatusBar)
{
    EXPECT_EQ(WebURL(), QStringLiteral("srv.exemplo"));
    EXPECT_EQ(WebPort(), 31000);
    EXPECT_EQ(TApplication::MainForm(), window.get());

    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("DIMENSAODIME"))}));
    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("ATRIBEXTRADIME"))}));
    EXPECT_EQ(window->cacheUpdates(), (QStringList{QStringLiteral("DIMENSAODIME"), QStringLiteral("ATRIBEXTRADIME")}));
    // The status line says in words what was saved and when; a failed save shows as failed.
    auto says = [this](const QString &pattern) {
        const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern));
        return whole.match(window->statusText()).hasMatch();
    };
    EXPECT_TRUE(says(QStringLiteral("Atributos extras gravados às \\d\\d:\\d\\d"))) << window->statusText().toStdString();
    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("DIMENSAODIME"))}));
    EXPECT_TRUE(says(QStringLiteral("Dimensões gravadas às \\d\\d:\\d\\d"))) << window->statusText().toStdString();
    window->saveFailed(QStringLiteral("Erro no servidor de aplicação:\nconexão recusada"));
    EXPECT_TRUE(says(QStringLiteral("Falha ao gravar às \\d\\d:\\d\\d: Erro no servidor de aplicação: conexão recusada")))
        << window->statusText().toStdString();
    EXPECT_TRUE(window->statusTip().endsWith(QStringLiteral(":\nErro no servidor de aplicação:\nconexão recusada")));
    // A refresh shows what the server holds: the failure no longer stands.
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzrtest_ok"), QStringLiteral("&Dimensão"));
    ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200")));
    qobject_cast<TfrmPadraoGrid *>(window->area()->subWindowList().first()->widget())->sbtVerificar->Click();
    EXPECT_EQ(window->statusText(), QString());

    // The busy indicator shows over the host's window.
    ActiveShowAvi(TApplication::MainForm(), 1, QStringLiteral("Atualizando Dados no Servidor"));
    QWidget *busy = window->findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([busy] { return busy->isVisible(); }));
    DeactiveShowAvi();
    EXPECT_FALSE(busy->isVisible());
}

TEST_F(HostTest, CubeRecordSetsAreChildrenOfTheMainWindowAndComeBackAfterTheSaveThatDiscardedThem)
{
    // What a save does to them: it tells the host what changed, then every client record set
    // named "CDSCUBO..." in any case goes.
    AtualizaLocalCache(VarArrayOf({Variant(QStringLiteral("ATRIBEXTRADIME"))}));
    const QList<TClientDataSet *> all = window->findChildren<TClientDataSet *>(QString(), Qt::FindDirectChildrenOnly);
    int destroyed = 0;
    for (TClientDataSet *dataSet : all) {
        if (dataSet->objectName().toUpper().startsWith(QStringLiteral("CDSCUBO"))) {
            delete dataSet;
            ++destroyed;
        }
    }
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(window->cubes().present().isEmpty());

    EXPECT_EQ(window->findChild<QMenu *>(QStringLiteral("mnuCubos")), nullptr); // nothing there for a user
    QCoreApplication::processEvents();
    EXPECT_EQ(window->cubes().present(), CubeRecordSets::names());
    TClientDataSet *sales = window->cubes().cube(QStringLiteral("cdsCuboVendas"));
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->parent(), window.get());
    EXPECT_TRUE(sales->Active());
    EXPECT_EQ(window->cubes().rebuild(), 0); // nothing missing, nothing made
}

TEST_F(HostTest, TheHostOpensMaximisedWithScreensFillingItAndBothReopenAsTheUserLeftThem)
{
    EXPECT_TRUE(window->isMaximized());
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzrtest_ok"), QStringLiteral("&Dimensão"));
    ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200")));
    QMdiSubWindow *frame = window->area()->subWindowList().first();
    QWidget *space = window->area()->viewport();
    EXPECT_EQ(frame->geometry(), space->rect());
    // It goes on filling the area when the host's window changes size...
    window->showNormal();
    window->resize(700, 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return space->height() < 500 && frame->geometry() == space->rect(); }));
    // ... until the user puts it elsewhere.
    frame->setGeometry(40, 30, 500, 300);
    window->resize(760, 520);
    ASSERT_TRUE(window->close());

    window = std::make_unique<HostMainWindow>(options);
    TApplication::SetHost(window.get());
    window->show();
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->size(), QSize(760, 520));
    window->registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzrtest_ok"), QStringLiteral("&Dimensão"));
    ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200")));
    EXPECT_EQ(window->area()->subWindowList().first()->geometry(), QRect(40, 30, 500, 300));
}
