#include "GridTesting.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>

using namespace testing_support;

namespace {
QImage render(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
} // namespace

TEST_F(GridTest, OwnerDrawingPaintsWhatTheHandlerDrawsAndNothingElse)
{
    goTo(1, 1);
    QList<TGridDrawState> currentStates;
    grid->OnDrawColumnCell = [&](QObject *sender, const QRect &rect, int, TColumn *column, TGridDrawState state) {
        TCanvas *canvas = grid->Canvas();
        ASSERT_NE(canvas, nullptr);
        EXPECT_EQ(sender, grid);
        canvas->SetBrushColor(clOlive);
        canvas->FillRect(rect);
        if (state & gdSelected) {
            currentStates << state;
            canvas->SetBrushColor(clHighlight);
            canvas->FillRect(rect);
        }
        // A handler leaving the painter in a strange state must not spoil the next cell.
        canvas->painter()->setOpacity(0.05);
        canvas->painter()->translate(500, 500);
        Q_UNUSED(column);
    };
    const QImage image = render(grid->viewport());
    const QRect current = grid->visualRect(cell(1, 1));
    const QRect other = grid->visualRect(cell(2, 0));
    const QRect afterCurrent = grid->visualRect(cell(2, 1));
    EXPECT_EQ(QColor(image.pixel(other.center())), QColor(128, 128, 0));
    EXPECT_EQ(QColor(image.pixel(afterCurrent.center())), QColor(128, 128, 0));
    EXPECT_EQ(QColor(image.pixel(current.center())), grid->palette().color(QPalette::Highlight));
    // The text the grid would have written is not there: the olive cell is one colour.
    EXPECT_EQ(QColor(image.pixel(other.left() + 6, other.center().y())), QColor(128, 128, 0));
    ASSERT_FALSE(currentStates.isEmpty());
    EXPECT_TRUE(currentStates.last() & gdSelected);
    EXPECT_FALSE(currentStates.last() & gdFixed);
}

// A failure while a cell is painted is reported through the boundary once the paint is over,
// each kind its own way; none escapes the paint event.
TEST_F(GridTest, AFailureWhilePaintingIsReportedLaterLikeAnyOther)
{
    std::function<void()> fail = [] { throw EServerFailure(QStringLiteral("sem conexão com o banco")); };
    grid->OnDrawColumnCell = [&](QObject *, const QRect &, int, TColumn *, TGridDrawState) { fail(); };
    render(grid->viewport());
    EXPECT_TRUE(seam->messages().isEmpty()) << "no dialog inside a paint";
    settle();
    EXPECT_EQ(seam->messages(), QStringList{serverFailureReport(QStringLiteral("sem conexão com o banco"))});

    seam->clear();
    fail = [] { throw 42; };
    render(grid->viewport());
    settle();
    EXPECT_EQ(seam->messages(), QStringList{QStringLiteral("Erro inesperado.")}) << "one report for the whole burst";
    grid->OnDrawColumnCell = nullptr;
}

TEST_F(GridTest, TheGridsColourIsTheBackgroundOfCellsAndOfTheEmptyPartAlike)
{
    grid->Color = clInfoBk;
    const QImage image = render(grid->viewport());
    const QColor yellow = QApplication::palette().color(QPalette::ToolTipBase);
    const QRect other = grid->visualRect(cell(2, 1));
    EXPECT_EQ(QColor(image.pixel(other.right() - 3, other.top() + 3)), yellow);
    EXPECT_EQ(QColor(image.pixel(image.width() - 3, image.height() - 3)), yellow); // below the rows
}

// The grid draws the lines between cells itself: pixel for pixel where and as the table view
// draws them, with columns hidden and the view scrolled sideways too.
TEST_F(GridTest, TheGridLinesAreTheTableViewsOwnPixelForPixel)
{
    const auto bothWays = [&](const char *what) {
        ASSERT_EQ(grid->gridStyle(), Qt::NoPen) << what;
        const QImage ours = render(grid->viewport());
        grid->setGridStyle(Qt::SolidLine); // the view's own lines, the grid's left out
        const QImage views = render(grid->viewport());
        grid->setGridStyle(Qt::NoPen);
        EXPECT_TRUE(ours == views) << what;
    };
    bothWays("as shown");
    grid->AddColumn(QStringLiteral("CODIGO"))->Width = 300;
    grid->setColumnHidden(0, true);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    bothWays("a column hidden, scrolled to the right");
}

TEST_F(GridTest, TheCurrentCellIsFocusedOnlyWhileTheGridHasTheFocus)
{
    goTo(0, 0);
    TGridDrawState seen = -1;
    grid->OnDrawColumnCell = [&](QObject *, const QRect &, int, TColumn *, TGridDrawState state) {
        if (state & gdSelected)
            seen = state;
    };
    grid->setFocus();
    ASSERT_TRUE(grid->hasFocus());
    render(grid->viewport());
    EXPECT_EQ(seen, gdSelected | gdFocused);

    auto *outside = new QLineEdit(&window);
    window.layout()->addWidget(outside);
    outside->show();
    outside->setFocus();
    ASSERT_FALSE(grid->hasFocus());
    seen = -1;
    render(grid->viewport());
    EXPECT_EQ(seen, gdSelected);
}

TEST(Canvas, BrushCopyPaintsTheTransparentColourWithTheBrushAndNeverStretches)
{
    QImage bitmap(16, 16, QImage::Format_RGB32);
    bitmap.fill(QColor(128, 128, 0));
    for (int y = 6; y < 10; ++y)
        for (int x = 6; x < 10; ++x)
            bitmap.setPixelColor(x, y, Qt::black);
    QImage target(40, 20, QImage::Format_RGB32);
    target.fill(Qt::red);
    {
        QPainter painter(&target);
        TCanvas canvas(&painter);
        canvas.SetBrushColor(clWhite);
        // As the check-mark column does: bitmap width, the cell's height (taller than the bitmap).
        canvas.BrushCopy(QRect(1, 0, 16, 20), TBitmap(bitmap), QRect(0, 0, 16, 20), clOlive);
    }
    EXPECT_EQ(target.pixelColor(1, 0), QColor(Qt::white));
    EXPECT_EQ(target.pixelColor(8, 8), QColor(Qt::black));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::red));    // left of the destination
    EXPECT_EQ(target.pixelColor(18, 5), QColor(Qt::red));   // right of it: no stretching
    EXPECT_EQ(target.pixelColor(5, 18), QColor(Qt::red));   // below the bitmap: nothing copied
}

TEST(Canvas, TextUsesTheFontColourAndTheFocusFrameInvertsItself)
{
    QImage target(80, 24, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        TCanvas canvas(&painter);
        canvas.SetFontColor(0x000000FF); // red, in blue-green-red order
        canvas.TextOut(2, 2, QStringLiteral("MMMM"));
    }
    int red = 0;
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x)
            red += target.pixelColor(x, y).red() > 150 && target.pixelColor(x, y).green() < 100 ? 1 : 0;
    EXPECT_GT(red, 10);

    QImage frame(20, 20, QImage::Format_RGB32);
    frame.fill(QColor(10, 20, 30));
    const QImage before = frame.copy();
    {
        QPainter painter(&frame);
        TCanvas canvas(&painter);
        canvas.DrawFocusRect(frame.rect());
        painter.end();
        EXPECT_NE(frame, before);
        painter.begin(&frame);
        canvas.DrawFocusRect(frame.rect());
    }
    EXPECT_EQ(frame, before);
}
