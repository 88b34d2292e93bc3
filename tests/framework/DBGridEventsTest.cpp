#include "GridTesting.h"

#include <QHeaderView>
#include <QSignalSpy>

using namespace testing_support;

TEST_F(GridTest, AThrowingColumnExitKeepsTheGridInTheColumnBeingLeft)
{
    goTo(0, 0);
    bool refuse = true;
    QStringList trail;
    grid->OnColExit = [&](QObject *sender) {
        EXPECT_EQ(sender, grid);
        trail << QStringLiteral("exit ") + grid->SelectedField()->FieldName();
        if (refuse)
            MensErro(QStringLiteral("Código já cadastrado."), true);
    };
    grid->OnColEnter = [&](QObject *) { trail << QStringLiteral("enter ") + grid->SelectedField()->FieldName(); };

    QTest::keyClick(grid, Qt::Key_Right);
    clickCell(1, 1);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(grid->currentIndex(), cell(0, 0));
    EXPECT_EQ(dataSet->RecNo(), 1); // the row change that came with the click is abandoned too
    EXPECT_EQ(trail, (QStringList{QStringLiteral("exit CODIGO"), QStringLiteral("exit CODIGO")}));
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{cell(0, 0)});
    EXPECT_EQ(seam->messages().size(), 2);

    refuse = false;
    trail.clear();
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(grid->SelectedField(), nome());
    EXPECT_EQ(trail, (QStringList{QStringLiteral("exit CODIGO"), QStringLiteral("enter NOME")}));

    // A move within the column runs neither.
    trail.clear();
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_TRUE(trail.isEmpty());
    EXPECT_EQ(dataSet->RecNo(), 2);

    // Asked for by code, the same handlers run and a refusal reaches the caller.
    refuse = true;
    EXPECT_THROW(grid->SetSelectedIndex(0), EAbort);
    EXPECT_EQ(grid->SelectedIndex(), 1);
}

TEST_F(GridTest, KeyDownRunsBeforeTheGridAndAClearedKeyIsConsumed)
{
    goTo(0, 1);
    QList<std::pair<int, TShiftState>> keys;
    grid->OnKeyDown = [&](QObject *, int &key, TShiftState shift) {
        keys << std::make_pair(key, shift);
        if (key == VK_DOWN)
            key = 0;
    };
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(dataSet->RecNo(), 1);
    QTest::keyClick(grid, Qt::Key_Space, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0].first, VK_DOWN);
    EXPECT_EQ(keys[1], std::make_pair(VK_SPACE, TShiftState(ssShift | ssCtrl)));

    // Keys typed into the cell editor reach the handler too.
    ASSERT_TRUE(grid->openEditor());
    QTest::keyClick(editor(), 'Q');
    EXPECT_EQ(keys.size(), 3);
    EXPECT_EQ(keys[2].first, int('Q'));
}

TEST_F(GridTest, CellAndTitleClicksNameTheirColumn)
{
    QList<TColumn *> cellClicks;
    QList<TColumn *> titleClicks;
    grid->OnCellClick = [&](TColumn *column) { cellClicks << column; };
    grid->OnTitleClick = [&](TColumn *column) { titleClicks << column; };
    clickCell(2, 1);
    EXPECT_EQ(dataSet->RecNo(), 3); // the click moved first
    ASSERT_EQ(cellClicks.size(), 1);
    EXPECT_EQ(cellClicks[0], grid->Columns(1));

    QHeaderView *header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    ASSERT_EQ(titleClicks.size(), 1);
    EXPECT_EQ(titleClicks[0], grid->Columns(0));
    EXPECT_EQ(cellClicks.size(), 1);
}

TEST_F(GridTest, FocusControlMovesToTheFieldsCellWithoutAColumnExit)
{
    goTo(1, 0);
    int exits = 0;
    int enters = 0;
    grid->OnColExit = [&](QObject *) { ++exits; };
    grid->OnColEnter = [&](QObject *) { ++enters; };
    nome()->FocusControl();
    EXPECT_EQ(grid->SelectedField(), nome());
    EXPECT_EQ(grid->currentIndex(), cell(1, 1));
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(grid->hasFocus());

    // A field of another record set is none of this grid's business.
    TClientDataSet other;
    TField *foreign = other.AddField(QStringLiteral("CODIGO"), 5);
    foreign->FocusControl();
    EXPECT_EQ(grid->SelectedField(), nome());
}

TEST_F(GridTest, MovedColumnsAreTheGridsColumnOrderAndTheSelectionGoesWithThem)
{
    goTo(0, 1);
    grid->MoveColumn(1, 0);
    EXPECT_EQ(grid->Columns(0)->FieldName, QStringLiteral("NOME"));
    EXPECT_EQ(grid->Columns(0)->Index(), 0);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(grid->SelectedField(), nome());
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Código"));
    EXPECT_EQ(grid->model()->data(cell(0, 0)).toString(), QStringLiteral("Ana"));
}

TEST_F(GridTest, EnteringTheGridFromOutsideRunsOnEnterOnce)
{
    auto *outside = new QLineEdit(&window);
    window.layout()->addWidget(outside);
    outside->show();
    int enters = 0;
    grid->OnEnter = [&](QObject *sender) {
        EXPECT_EQ(sender, grid);
        ++enters;
    };
    outside->setFocus();
    grid->setFocus();
    EXPECT_EQ(enters, 1);
    // Into the grid's own editor and back is no new entry.
    goTo(0, 1);
    ASSERT_TRUE(grid->openEditor());
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(enters, 1);
}

TEST_F(GridTest, InsertAddsARecordAndCtrlDeleteDeletesOneOnlyWhenConfirmed)
{
    goTo(1, 1);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier); // the confirmation is answered no
    EXPECT_EQ(dataSet->RecordCount(), 3);
    ASSERT_EQ(seam->shown.size(), 1u);
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtConfirmation);
    seam->dialogAnswers.push(mrOk);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dataSet->RecordCount(), 2);
    EXPECT_EQ(dataSet->ValueAt(1, nome()->Index()), QStringLiteral("Carla"));

    // Without the confirmation option it deletes at once; without editing, Insert does nothing.
    grid->SetOptions(grid->Options() & ~(dgConfirmDelete | dgEditing));
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dataSet->RecordCount(), 1);
    EXPECT_EQ(seam->shown.size(), 2u);

    grid->SetOptions(grid->Options() | dgEditing);
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex().row(), dataSet->RecNo() - 1);
}

TEST_F(GridTest, LeavingTheGridGivesUpANewRecordNobodyTouched)
{
    auto *outside = new QLineEdit(&window);
    window.layout()->addWidget(outside);
    outside->show();
    grid->setFocus();
    dataSet->Insert();
    outside->setFocus();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->RecordCount(), 3);

    // A new record with something in it stays, and so does any record without the option.
    grid->setFocus();
    dataSet->Insert();
    nome()->SetAsString(QStringLiteral("Dora"));
    outside->setFocus();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
    dataSet->Cancel();
    grid->SetOptions(grid->Options() & ~dgCancelOnExit);
    grid->setFocus();
    dataSet->Insert();
    outside->setFocus();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
}

TEST_F(GridTest, TheIndicatorFollowsTheRecordAndOnlyItsOldAndNewRowsAreRepainted)
{
    goTo(0, 0);
    auto indicator = [&](int row) { return grid->model()->headerData(row, Qt::Vertical).toString(); };
    QSignalSpy told(grid->model(), &QAbstractItemModel::headerDataChanged);
    auto toldRows = [&] {
        QList<std::pair<int, int>> rows;
        for (const QList<QVariant> &signal : std::as_const(told))
            rows << std::make_pair(signal[1].toInt(), signal[2].toInt());
        told.clear();
        return rows;
    };

    dataSet->SetRecNo(3);
    EXPECT_EQ(indicator(2), QString(QChar(0x25B6)));
    EXPECT_TRUE(indicator(0).isEmpty());
    EXPECT_EQ(toldRows(), (QList<std::pair<int, int>>{{0, 0}, {2, 2}}));

    dataSet->Edit();
    EXPECT_EQ(indicator(2), QString(QChar(0x270E)));
    EXPECT_EQ(toldRows(), (QList<std::pair<int, int>>{{2, 2}}));
    dataSet->Cancel();

    // The titles are never highlighted: moving the current cell repaints none of them.
    QCoreApplication::processEvents();
    struct PaintCount : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } titles;
    grid->horizontalHeader()->viewport()->installEventFilter(&titles);
    dataSet->SetRecNo(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(titles.paints, 0);
}
