#include "HostTesting.h"
#include "Services.h"
#include "TClientDataSet.h"

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
    EXPECT_TRUE(says(QStringLiteral("Falha ao gravar às \\d\\d:\\d\\d: Erro no servidor de aplicação:")))
        << window->statusText().toStdString();

    // The busy indicator shows over the host's window.
    ActiveShowAvi(TApplication::MainForm(), 1, QStringLiteral("Atualizando Dados no Servidor"));
    QWidget *busy = window->findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([busy] { return busy->isVisible(); }));
    DeactiveShowAvi();
    EXPECT_FALSE(busy->isVisible());
}

TEST_F(HostTest, CubeRecordSetsAreChildrenOfTheMainWindowAndComeBackWhenLookedFor)
{
    // What a save does to them: every client record set named "CDSCUBO..." in any case goes.
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

    QMenu *cubes = window->findChild<QMenu *>(QStringLiteral("mnuCubos"));
    ASSERT_NE(cubes, nullptr);
    emit cubes->aboutToShow();
    EXPECT_EQ(window->cubes().present(), CubeRecordSets::names());
    TClientDataSet *sales = window->cubes().cube(QStringLiteral("cdsCuboVendas"));
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->parent(), window.get());
    EXPECT_TRUE(sales->Active());
    EXPECT_EQ(window->cubes().rebuild(), 0); // nothing missing, nothing made
}
