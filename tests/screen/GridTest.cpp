#include "ScreenFixture.h"

#include "Services.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QTest>

// The dimension grid: the check-mark cells, the row and bulk toggles, the editing switch.
class GridTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
        form->resize(800, 400);
        QApplication::processEvents();
    }
    QStringList storedFlags()
    {
        QStringList flags;
        for (const QString &row : storedDimensions())
            flags << row.section(QLatin1Char('|'), 6, 6);
        return flags;
    }
    // The check-mark cell of a row as painted, in the grid viewport's pixels.
    QImage flagCell(int row)
    {
        const QModelIndex index = form->dbgPadrao->model()->index(row, 0);
        const QRect rect = form->dbgPadrao->visualRect(index);
        return form->dbgPadrao->viewport()->grab().toImage().copy(rect);
    }
};

TEST_F(GridTest, CheckMarkCellsShowTheirImageOnTheCellsBackground)
{
    form->dbgPadrao->SetSelectedIndex(2); // the current cell away from the flags
    const QImage checked = flagCell(0);   // 00001, "S"
    const QImage unchecked = flagCell(3); // 00004, "N"
    ASSERT_GE(checked.height(), 16);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    // The picture starts one pixel into the cell; the tick's pixel (6,10) tells the two apart.
    EXPECT_EQ(checked.pixel(1 + 6, 10), black);
    EXPECT_EQ(unchecked.pixel(1 + 6, 10), white);
    EXPECT_EQ(checked.pixel(1 + 2, 2), black);
    EXPECT_EQ(unchecked.pixel(1 + 2, 2), black);
    // The olive background takes the cell's colour, the same as beyond the picture.
    const QRgb olive = qRgb(128, 128, 0);
    EXPECT_NE(checked.pixel(1, 0), olive);
    EXPECT_EQ(checked.pixel(1, 0), checked.pixel(0, 0));
    EXPECT_EQ(QColor(checked.pixel(1, 0)), toQColor(clInfoBk));

    // The current cell: the picture on the highlight, no letter and no focus frame around it.
    QApplication::setActiveWindow(form);
    form->dbgPadrao->setFocus();
    form->dbgPadrao->SetSelectedIndex(0);
    QApplication::processEvents();
    ASSERT_TRUE(form->dbgPadrao->hasFocus());
    const QImage current = flagCell(0);
    for (int y = 0; y < current.height(); ++y) // the frame's left edge would run here
        ASSERT_EQ(QColor(current.pixel(0, y)), toQColor(clHighlight)) << "row " << y;
    EXPECT_EQ(QColor(current.pixel(1, 0)), toQColor(clHighlight));
    EXPECT_EQ(current.pixel(1 + 6, 10), black);
}

TEST_F(GridTest, ARowToggleSavesAStoredDimensionAtOnce)
{
    goTo(QStringLiteral("00004"));
    form->dbgPadrao->SetSelectedIndex(0);
    forget();
    form->dbgPadraoCellClick(form->dbgPadrao->Columns(0));
    EXPECT_EQ(storedFlags(), (QStringList{"S", "S", "S", "S", "S"}));
    EXPECT_EQ(calls(QStringLiteral("SetDimensao")), 1);

    // In another column a click changes nothing.
    forget();
    goTo(QStringLiteral("00004"));
    form->dbgPadrao->SetSelectedIndex(2);
    form->dbgPadraoCellClick(form->dbgPadrao->Columns(2));
    int key = VK_SPACE;
    form->dbgPadraoKeyDown(form->dbgPadrao, key, ssShift);
    EXPECT_EQ(recorder->total(), 0);

    // A row being inserted only takes the value.
    form->sbtIncluir->Click();
    form->dbgPadrao->SetSelectedIndex(0);
    form->dbgPadraoKeyDown(form->dbgPadrao, key, ssShift);
    EXPECT_EQ(form->cdsDadosIDDIMENSAODW->AsString(), QStringLiteral("N"));
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_EQ(recorder->total(), 0);
}

TEST_F(GridTest, TheBulkToggleAlternatesWhateverTheRowsHeld)
{
    // Every dimension unchecked first, even the one already unchecked.
    forget();
    form->dbgPadraoTitleClick(form->dbgPadrao->Columns(0));
    EXPECT_EQ(storedFlags(), (QStringList{"N", "N", "N", "N", "N"}));
    EXPECT_EQ(callsMade(), QStringList{"SetDimensao"});
    EXPECT_EQ(host.cacheNotices, QStringList{"DIMENSAODIME"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form->cdsDados->RecNo(), 1);
    EXPECT_EQ(form->cdsDadosIDDIMENSAODW->AsString(), QStringLiteral("N"));

    int key = VK_SPACE;
    form->dbgPadraoKeyDown(form->dbgPadrao, key, ssCtrl);
    EXPECT_EQ(storedFlags(), (QStringList{"S", "S", "S", "S", "S"}));

    // Another column's title: nothing but the cursor.
    forget();
    form->dbgPadraoTitleClick(form->dbgPadrao->Columns(2));
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // With the flags moved away from the first column Ctrl+Space does nothing, the title still works.
    form->dbgPadrao->MoveColumn(0, 3);
    form->dbgPadraoKeyDown(form->dbgPadrao, key, ssCtrl);
    EXPECT_EQ(recorder->total(), 0);
    TColumn *flags = form->dbgPadrao->Columns(3);
    ASSERT_EQ(flags->FieldName, QStringLiteral("IDDIMENSAODW"));
    form->dbgPadraoTitleClick(flags);
    EXPECT_EQ(storedFlags(), (QStringList{"N", "N", "N", "N", "N"}));
}

TEST_F(GridTest, ABulkToggleDuringAnEditSendsNothingAndKeepsItsTurn)
{
    form->sbtIncluir->Click();
    forget();
    // The copy stays at rest; the user is told what to do, in words that name nothing internal.
    EXPECT_THROW(form->dbgPadraoTitleClick(form->dbgPadrao->Columns(0)), EAbort);
    EXPECT_EQ(messages(), QStringList{"Confirme ou cancele a dimensão em edição antes de marcar ou desmarcar todas."});
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->cdsDadosIDDIMENSAODW->AsString(), QStringLiteral("S"));
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    // The next completed toggle still writes "N".
    form->dbgPadraoTitleClick(form->dbgPadrao->Columns(0));
    EXPECT_EQ(storedFlags(), (QStringList{"N", "N", "N", "N", "N"}));
}

TEST_F(GridTest, TheFlagColumnIsNeverTypedInto)
{
    form->dbgPadrao->SetSelectedIndex(2);
    EXPECT_TRUE(form->dbgPadrao->Options() & dgEditing);
    form->dbgPadrao->SetSelectedIndex(0);
    EXPECT_FALSE(form->dbgPadrao->Options() & dgEditing);
    EXPECT_TRUE(form->dbgPadrao->Options() & dgTitles);
}

// The flag column's title says what a click will do; one undo, from the menu or Ctrl+Z, puts the
// flags back as they were and saves them the same way, and the next click does the same again.
TEST_F(GridTest, TheBulkToggleSaysWhatItWillDoAndOneUndoPutsTheFlagsBack)
{
    const QStringList before = storedFlags();
    ASSERT_EQ(before, (QStringList{"S", "S", "S", "N", "S"}));
    auto titleHint = [this] {
        return form->dbgPadrao->model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString();
    };
    EXPECT_TRUE(titleHint().startsWith(QStringLiteral("Clique para desmarcar todas"))) << titleHint().toStdString();
    EXPECT_FALSE(form->mnuDesfazerMarcacao->Enabled());

    QApplication::setActiveWindow(form);
    form->dbgPadrao->setFocus();
    QHeaderView *header = form->dbgPadrao->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 4, 4));
    EXPECT_EQ(storedFlags(), (QStringList{"N", "N", "N", "N", "N"}));
    EXPECT_TRUE(titleHint().startsWith(QStringLiteral("Clique para marcar todas")));
    EXPECT_TRUE(form->mnuDesfazerMarcacao->Enabled());

    forget();
    QTest::keyClick(form->dbgPadrao, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(storedFlags(), before);
    EXPECT_EQ(callsMade(), QStringList{"SetDimensao"});
    EXPECT_EQ(host.cacheNotices, QStringList{"DIMENSAODIME"});
    EXPECT_EQ(form->cdsDados->RecNo(), 1);
    EXPECT_FALSE(form->mnuDesfazerMarcacao->Enabled());
    EXPECT_TRUE(titleHint().startsWith(QStringLiteral("Clique para desmarcar todas")));

    forget();
    form->mnuDesfazerMarcacao->Click(); // nothing left to undo
    EXPECT_EQ(recorder->total(), 0);
    form->dbgPadraoTitleClick(form->dbgPadrao->Columns(0));
    EXPECT_EQ(storedFlags(), (QStringList{"N", "N", "N", "N", "N"}));
}
