#include "Colors.h"
#include "FrameworkTesting.h"
#include "TMenuItem.h"
#include "TPageControl.h"
#include "TSpeedButton.h"
#include "TTabSheet.h"

#include <QApplication>
#include <QPalette>
#include <QTabBar>
#include <QTest>

using namespace testing_support;

class ControlsTest : public FrameworkTest {};

TEST(Colours, PlainColoursAreBlueGreenRedAndSystemColoursComeFromThePalette)
{
    EXPECT_EQ(toQColor(clOlive), QColor(128, 128, 0));
    EXPECT_EQ(toQColor(0x00123456), QColor(0x56, 0x34, 0x12));
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(toQColor(clInfoBk), palette.color(QPalette::ToolTipBase));
    EXPECT_EQ(toQColor(clHighlight), palette.color(QPalette::Highlight));
    EXPECT_EQ(toQColor(clCaptionText), palette.color(QPalette::HighlightedText));
    EXPECT_EQ(toQColor(clWindowText), palette.color(QPalette::WindowText));
    EXPECT_EQ(toQColor(clWindow), palette.color(QPalette::Base));
}

TEST_F(ControlsTest, MenuItemsAndButtonsRunTheirHandlerOnlyWhenEnabledAndInsideTheBoundary)
{
    QWidget panel;
    TMenuItem item(&panel, QStringLiteral("mnuIncluir"), QStringLiteral("&Incluir"));
    TSpeedButton button(&panel, QStringLiteral("sbtIncluir"), QStringLiteral("Incluir"));
    int clicks = 0;
    item.OnClick = [&](QObject *sender) {
        EXPECT_EQ(sender, &item);
        ++clicks;
    };
    button.OnClick = [&](QObject *sender) {
        EXPECT_EQ(sender, &button);
        ++clicks;
        throw Exception(QStringLiteral("falha no clique"));
    };
    item.Click();
    item.action()->trigger(); // as the user choosing it from the menu
    button.Click();
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(seam->messages(), QStringList{QStringLiteral("falha no clique")});

    item.SetEnabled(false);
    button.SetEnabled(false);
    item.Click();
    button.Click();
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(item.Enabled());
    EXPECT_FALSE(button.Enabled());

    item.SetChecked(true);
    EXPECT_TRUE(item.Checked());
}

TEST_F(ControlsTest, PageControlTellsUserChangesOnlyAndLetsTheSheetBeingLeftRefuse)
{
    TPageControl pages(nullptr, QStringLiteral("pgcPadrao"));
    auto *first = new TTabSheet(&pages, QStringLiteral("tshPadrao"), QStringLiteral("Dimensão"));
    auto *second = new TTabSheet(&pages, QStringLiteral("tshExtras"), QStringLiteral("Atributos Extras"));
    pages.resize(400, 300);
    pages.show();
    int changes = 0;
    pages.OnChange = [&](QObject *) { ++changes; };
    EXPECT_EQ(pages.ActivePage(), first);
    EXPECT_EQ(pages.PageCount(), 2);
    EXPECT_EQ(pages.Pages(1), second);
    EXPECT_EQ(second->Caption(), QStringLiteral("Atributos Extras"));

    pages.SetActivePage(second);
    EXPECT_EQ(pages.ActivePage(), second);
    EXPECT_EQ(changes, 0);

    // A click on a tab is a user change; a refusal of the sheet being left keeps it.
    bool refuse = true;
    pages.OnChanging = [&](QObject *) {
        if (refuse)
            throw EAbort();
    };
    const QPoint firstTab = pages.tabBar()->tabRect(0).center();
    QTest::mouseClick(pages.tabBar(), Qt::LeftButton, {}, firstTab);
    EXPECT_EQ(pages.ActivePage(), second);
    EXPECT_EQ(changes, 0);
    refuse = false;
    QTest::mouseClick(pages.tabBar(), Qt::LeftButton, {}, firstTab);
    EXPECT_EQ(pages.ActivePage(), first);
    EXPECT_EQ(changes, 1);

    // The keyboard's ways to another sheet ask too.
    refuse = true;
    QTest::keyClick(&pages, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(pages.tabBar(), Qt::Key_Right);
    EXPECT_EQ(pages.ActivePage(), first);
    refuse = false;
    QTest::keyClick(&pages, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages.ActivePage(), second);
    EXPECT_EQ(changes, 2);
    pages.SetActivePage(first);

    // A disabled sheet cannot be selected by a click.
    second->SetEnabled(false);
    EXPECT_FALSE(second->Enabled());
    QTest::mouseClick(pages.tabBar(), Qt::LeftButton, {}, pages.tabBar()->tabRect(1).center());
    EXPECT_EQ(pages.ActivePage(), first);
    EXPECT_EQ(changes, 2);
}
