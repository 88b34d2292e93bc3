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
#include <algorithm>
#include <cmath>

using namespace testing_support;

class ControlsTest : public FrameworkTest {};

namespace {
// WCAG contrast ratio: 1 (the same) to 21 (black on white).
double contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class PaletteScope
{
public:
    explicit PaletteScope(const QPalette &palette) : m_saved(QApplication::palette()) { QApplication::setPalette(palette); }
    ~PaletteScope() { QApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};
} // namespace

TEST(Colours, PlainColoursAreBlueGreenRedAndSystemColoursFollowThePaletteReadably)
{
    EXPECT_EQ(toQColor(clOlive), QColor(128, 128, 0));
    EXPECT_EQ(toQColor(0x00123456), QColor(0x56, 0x34, 0x12));
    EXPECT_FALSE(isSystemColor(clSilver));

    // Each system colour has a role of its own: with every role of the palette different, none
    // falls back to the window text, which is what an unmapped one would show.
    const TColor mapped[] = {clInfoBk, clInfoText, clHighlight, clHighlightText, clCaptionText, clWindow, clBtnFace};
    {
        QPalette distinct;
        int hue = 0;
        for (int role = 0; role < QPalette::NColorRoles; ++role, hue += 17)
            if (role != QPalette::NoRole)
                distinct.setColor(QPalette::ColorRole(role), QColor::fromHsv(hue % 360, 200, 100 + role * 5));
        const PaletteScope scope(distinct);
        for (TColor colour : mapped) {
            EXPECT_TRUE(isSystemColor(colour));
            EXPECT_NE(toQColor(colour), toQColor(clWindowText)) << std::hex << colour;
        }
    }

    // What the grid and the screen paint on what stays readable, on a light and on a dark palette.
    const std::pair<TColor, TColor> textOnBackground[] = {
        {clWindowText, clWindow}, {clHighlightText, clHighlight}, {clCaptionText, clHighlight},
        {clInfoText, clInfoBk},   {clWindowText, clInfoBk}};
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::WindowText, QColor(0xef, 0xf0, 0xf1));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    dark.setColor(QPalette::HighlightedText, QColor(0x00, 0x00, 0x00));
    dark.setColor(QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ToolTipText, QColor(0xef, 0xf0, 0xf1));
    for (const QPalette &palette : {QApplication::palette(), dark}) {
        const PaletteScope scope(palette);
        for (const auto &[text, background] : textOnBackground)
            EXPECT_GE(contrast(toQColor(text), toQColor(background)), 3.0) << std::hex << text << " on " << background;
        // The current cell stands out from the rows around it.
        EXPECT_NE(toQColor(clHighlight), toQColor(clWindow));
        EXPECT_NE(toQColor(clHighlight), toQColor(clInfoBk));
    }
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
