#include "GridTesting.h"

#include "RecordSetModel.h"

#include <QHeaderView>
#include <QToolButton>
#include <QToolTip>

using namespace testing_support;

TEST_F(GridTest, TypingEntersEditStateAndLeavingTheRowPostsIt)
{
    goTo(0, 1);
    // Opening the editor, or a Ctrl combination, changes nothing; typing does.
    ASSERT_TRUE(grid->openEditor());
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    QTest::keyClick(editor(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    QTest::keyClick(grid, 'B');
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), QStringLiteral("ia"));
    enter();
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(nome()->AsString(), QStringLiteral("Bia"));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit); // committed into the record, not posted
    EXPECT_EQ(grid->model()->data(cell(0, 1)).toString(), QStringLiteral("Bia"));

    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->ChangeCount(), 1);
    EXPECT_EQ(dataSet->RecNo(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(dataSet->ValueAt(0, nome()->Index()), QStringLiteral("Bia"));
    EXPECT_TRUE(seam->shown.empty());
}

TEST_F(GridTest, TheEditMaskShapesWhatIsTypedAndASixthDigitCannotBeTyped)
{
    goTo(1, 0);
    ASSERT_TRUE(grid->openEditor());
    editor()->clear();
    QTest::keyClicks(editor(), QStringLiteral(" 123456"));
    EXPECT_EQ(editor()->text(), QStringLiteral(" 1234"));
    enter();
    EXPECT_EQ(codigo()->AsString(), QStringLiteral("1234"));

    // Without a mask the field's width bounds what is typed, counted in characters as the server
    // counts them: thirty characters outside the basic plane fit a width of thirty.
    goTo(1, 1);
    ASSERT_TRUE(grid->openEditor());
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    editor()->setText(emoji.repeated(30));
    EXPECT_TRUE(editor()->hasAcceptableInput());
    editor()->setText(emoji.repeated(31));
    EXPECT_FALSE(editor()->hasAcceptableInput());
}

TEST_F(GridTest, ARefusedValueIsReportedOnceAndTheEditorKeepsTheText)
{
    codigo()->SetEditMask(QStringLiteral("00000;0; ")); // every digit required
    goTo(0, 0);
    ASSERT_TRUE(grid->openEditor());
    editor()->clear();
    QTest::keyClicks(editor(), QStringLiteral("12"));
    enter();
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("12"));
    EXPECT_EQ(codigo()->AsString(), QStringLiteral("1"));
    EXPECT_EQ(seam->messages().size(), 1);

    // Nothing changed: neither Enter nor a move offer the same text again, and the row stays.
    enter();
    clickCell(2, 0);
    EXPECT_EQ(seam->messages().size(), 1);
    EXPECT_EQ(dataSet->RecNo(), 1);
    ASSERT_NE(editor(), nullptr);

    QTest::keyClicks(editor(), QStringLiteral("345"));
    enter();
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(codigo()->AsString(), QStringLiteral("12345"));
}

TEST_F(GridTest, ARefusedPostKeepsTheRowAndItsValues)
{
    bool refuse = true;
    dataSet->BeforePost = [&](TClientDataSet *) {
        if (refuse)
            MensErro(QStringLiteral("Nome já cadastrado."), true);
    };
    goTo(0, 1);
    ASSERT_TRUE(grid->openEditor());
    editor()->setText(QString());
    QTest::keyClicks(editor(), QStringLiteral("Bruno"));

    QTest::keyClick(editor(), Qt::Key_Down); // the editor commits, then the move posts
    clickCell(2, 1);
    EXPECT_EQ(seam->messages(), (QStringList{QStringLiteral("Nome já cadastrado."),
                                             QStringLiteral("Nome já cadastrado.")}));
    EXPECT_EQ(dataSet->RecNo(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(nome()->AsString(), QStringLiteral("Bruno"));

    refuse = false;
    clickCell(2, 1);
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_EQ(grid->currentIndex(), cell(2, 1));
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataSet->ValueAt(0, nome()->Index()), QStringLiteral("Bruno"));
}

TEST_F(GridTest, InPlaceEditingFollowsTheOptionAtRunTime)
{
    grid->SetOptions(grid->Options() & ~dgEditing);
    goTo(0, 1);
    EXPECT_FALSE(grid->openEditor());
    QTest::keyClick(grid, 'X');
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);

    grid->SetOptions(grid->Options() | dgEditing);
    QTest::keyClick(grid, 'X');
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);

    // Switching editing off under an open editor keeps what was typed.
    QTest::keyClicks(editor(), QStringLiteral("uxa"));
    grid->SetOptions(grid->Options() & ~dgEditing);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(nome()->AsString(), QStringLiteral("Xuxa"));

    // A read-only field is never edited in place.
    grid->SetOptions(grid->Options() | dgEditing);
    dataSet->Cancel();
    codigo()->SetReadOnly(true);
    goTo(0, 0);
    EXPECT_FALSE(grid->openEditor());
}

TEST_F(GridTest, TheGridRowAndTheRecordSetFollowEachOther)
{
    dataSet->SetRecNo(3);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    clickCell(0, 1);
    EXPECT_EQ(dataSet->RecNo(), 1);
    EXPECT_EQ(grid->SelectedField(), nome());

    dataSet->Last();
    dataSet->Insert();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    dataSet->Cancel();
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // A reload under an open editor closes the editor first.
    goTo(1, 1);
    ASSERT_TRUE(grid->openEditor());
    dataSet->Cancel();
    dataSet->SetData(packetOf({{QStringLiteral("CODIGO"), 5}, {QStringLiteral("NOME"), 30}},
                              {{QStringLiteral("9"), QStringLiteral("Zeca")}}));
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->currentIndex(), cell(0, 1));
    EXPECT_EQ(grid->model()->data(cell(0, 1)).toString(), QStringLiteral("Zeca"));
}

TEST_F(GridTest, TheEllipsisButtonCommitsTheEditorThenFiresTheHandler)
{
    grid->Columns(1)->ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    QString seenByHandler;
    int presses = 0;
    grid->OnEditButtonClick = [&](QObject *sender) {
        EXPECT_EQ(sender, grid);
        ++presses;
        seenByHandler = nome()->AsString();
    };
    goTo(0, 0);
    ASSERT_TRUE(grid->openEditor());
    EXPECT_EQ(editor()->findChild<QToolButton *>(QStringLiteral("EllipsisButton")), nullptr);
    QTest::keyClick(editor(), Qt::Key_Escape);

    goTo(0, 1);
    ASSERT_TRUE(grid->openEditor());
    auto *button = editor()->findChild<QToolButton *>(QStringLiteral("EllipsisButton"));
    ASSERT_NE(button, nullptr);
    editor()->clear();
    QTest::keyClicks(editor(), QStringLiteral("Zeca"));
    button->click();
    settle();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(seenByHandler, QStringLiteral("Zeca"));

    // F4 and Alt+Down in the grid are the keyboard's way to the same button.
    QTest::keyClick(grid, Qt::Key_F4);
    EXPECT_EQ(presses, 2);
    QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(presses, 3);
}

// A defined width is a floor: the column is never narrower than its title; a width the user
// chose (remembered) wins. Typing past the field's width is refused, and the limit said.
TEST_F(GridTest, ColumnsFitTheirTitlesAndEditorsTheirFieldsWidth)
{
    grid->Columns(0)->Width = 10;
    grid->ApplyColumnLayout({{QStringLiteral("CODIGO"), QStringLiteral("NOME")}, {-1, -1}});
    EXPECT_GT(grid->columnWidth(0), grid->horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Código")));
    const int chosen = grid->columnWidth(0) - 10;
    grid->ApplyColumnLayout({{QStringLiteral("CODIGO"), QStringLiteral("NOME")}, {chosen, -1}});
    EXPECT_EQ(grid->columnWidth(0), chosen);

    goTo(0, 1);
    ASSERT_TRUE(grid->openEditor());
    editor()->clear();
    QTest::keyClicks(editor(), QString(32, QLatin1Char('x')));
    EXPECT_EQ(editor()->text().size(), 30);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("No máximo 30 caracteres."));
    QTest::keyClick(editor(), Qt::Key_Escape);
}

TEST_F(GridTest, TheCheckMarkTitleShowsAGlyphAndTitlesDefaultToTheLabel)
{
    TColumn *flag = grid->AddColumn(QStringLiteral("CODIGO"));
    flag->Title.Caption = QStringLiteral("4");
    flag->Title.SymbolCharset = true;
    flag->Title.FontColor = clWhite;
    flag->Title.FontHeight = -11;
    QAbstractItemModel *model = grid->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QString(QChar(0x2714)));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::FontRole).value<QFont>().pixelSize(), 11);
    EXPECT_LT(model->headerData(2, Qt::Horizontal, Qt::BackgroundRole).value<QColor>().lightness(), 160);
    EXPECT_FALSE(model->headerData(1, Qt::Horizontal, Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    EXPECT_EQ(grid->columnWidth(1), 160);
    // A width from the field (5 characters, or its label) survives reloads untouched.
    const int codeWidth = grid->columnWidth(0);
    dataSet->SetData(packetOf({{QStringLiteral("CODIGO"), 5}, {QStringLiteral("NOME"), 30}}, {}));
    EXPECT_EQ(grid->Columns(0)->Width, -1);
    EXPECT_EQ(grid->columnWidth(0), codeWidth);
    EXPECT_LT(codeWidth, grid->columnWidth(1));
}

TEST_F(GridTest, AKeyTypedRightAfterAClickOpensTheEditorWithIt)
{
    // A click on the current cell opens its editor once no double click can follow...
    goTo(0, 1);
    clickCell(0, 1);
    for (int waited = 0; waited < 100 && !editor(); ++waited)
        QTest::qWait(20);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("Ana"));
    QTest::keyClick(editor(), Qt::Key_Escape);
    // ...and a key typed while it waits opens the editor at once, with that key.
    goTo(1, 1);
    clickCell(1, 1);
    QTest::keyClick(grid, 'Z');
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("Z"));
}
