#include "formdata/CheckMarkImages.h"
#include "Colors.h"
#include "ScreenFixture.h"

#include "GridDelegate.h"
#include "Services.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

// A person at the keyboard: the row typed into the grid cell by cell, the checks on leaving each
// column, the commands from the toolbar.
class TypingTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
        form->resize(900, 400);
        QApplication::setActiveWindow(form);
        form->dbgPadrao->setFocus();
        QApplication::processEvents();
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
    // One key at a time: the first key opens the cell editor, which then has the focus.
    void typeText(const QString &text)
    {
        for (QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    void clickCell(int row, int column)
    {
        const QModelIndex index = form->dbgPadrao->model()->index(row, column);
        QTest::mouseClick(form->dbgPadrao->viewport(), Qt::LeftButton, {}, form->dbgPadrao->visualRect(index).center());
    }
    int rowOf(const QString &code) const
    {
        for (int row = 0; row < form->cdsDados->RecordCount(); ++row)
            if (form->cdsDados->ValueAt(row, form->cdsDadosNRSEQUEDIME->Index()) == code)
                return row;
        return -1;
    }
};

TEST_F(TypingTest, ADimensionTypedIntoTheGridIsSavedAndCanBeRemovedAgain)
{
    form->sbtIncluir->Click();
    ASSERT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    form->dbgPadrao->setFocus();
    form->dbgPadrao->SetSelectedIndex(0);
    EXPECT_FALSE(form->dbgPadrao->Options() & dgEditing);

    key(Qt::Key_Tab); // into the code column, which edits in place
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNRSEQUEDIME);
    EXPECT_TRUE(form->dbgPadrao->Options() & dgEditing);
    typeText(QStringLiteral("42"));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00042")) << "rewritten on leaving the column";
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
    typeText(QStringLiteral("Quarenta e dois"));
    key(Qt::Key_Tab);
    typeText(QStringLiteral("regiao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosCDTABELADIME->AsString(), QStringLiteral("REGIAO"));
    typeText(QStringLiteral("cdregiao"));
    key(Qt::Key_Tab);
    typeText(QStringLiteral("nmregiao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(messages(), QStringList{});
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "getDimensao", "vdDimensao", "vdDimensao", "vdDimensao"}));

    form->sbtConfirmar->Click();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00042|Quarenta e dois|REGIAO|CDREGIAO|NMREGIAO||S")));
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));

    // The list came back on its first row; the new one is the last.
    form->cdsDados->Last();
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_FALSE(storedCodes().contains(QStringLiteral("00042")));
    EXPECT_EQ(storedCodes().size(), 5);
}

// A refused column exit keeps the editor, the focus and the typing in the column being left,
// whether the move was asked by Tab, Shift+Tab, a click or code.
TEST_F(TypingTest, ARefusedColumnExitKeepsTheTypingInTheColumnLeft)
{
    form->sbtIncluir->Click();
    form->dbgPadrao->setFocus();
    form->dbgPadrao->SetSelectedIndex(3);
    ASSERT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosCDTABELADIME);
    typeText(QStringLiteral("naoexiste"));
    key(Qt::Key_Tab);
    ASSERT_EQ(messages(), QStringList{"Tabela \"NAOEXISTE\" inválida."});
    auto stillInTheTable = [this] {
        EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosCDTABELADIME);
        ASSERT_NE(form->dbgPadrao->cellEditor(), nullptr);
        EXPECT_EQ(form->dbgPadrao->visualRect(form->dbgPadrao->currentIndex()).topLeft(),
                  form->dbgPadrao->cellEditor()->geometry().topLeft());
        EXPECT_EQ(QApplication::focusWidget(), form->dbgPadrao->cellEditor());
        EXPECT_TRUE(form->cdsDadosDSPKDIME->IsNull()) << "nothing landed in the key column";
    };
    stillInTheTable();
    // The next keys go on where the typing stopped.
    typeText(QStringLiteral("x"));
    EXPECT_EQ(qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor())->text(), QStringLiteral("naoexistex"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(messages().size(), 2);
    stillInTheTable();
    const QModelIndex keyCell = form->dbgPadrao->model()->index(form->cdsDados->RecNo() - 1, 4);
    QTest::mouseClick(form->dbgPadrao->viewport(), Qt::LeftButton, {}, form->dbgPadrao->visualRect(keyCell).center());
    EXPECT_EQ(messages().size(), 3);
    stillInTheTable();
    EXPECT_THROW(form->dbgPadrao->SetSelectedIndex(4), EAbort);
    // Escape puts back what the cell held when it was entered (nothing, in a new record), the
    // record is still being inserted, and typing starts afresh.
    key(Qt::Key_Escape);
    EXPECT_TRUE(form->cdsDadosCDTABELADIME->IsNull());
    EXPECT_TRUE(editing());
    EXPECT_EQ(messages().size(), 4);
    typeText(QStringLiteral("r"));
    EXPECT_EQ(messages().size(), 4);
    stillInTheTable();

    // Once the table is right, Tab goes on into the key column, and typing with it.
    qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor())->selectAll();
    typeText(QStringLiteral("regiao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(messages().size(), 4);
    EXPECT_EQ(form->cdsDadosCDTABELADIME->AsString(), QStringLiteral("REGIAO"));
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosDSPKDIME);
    typeText(QStringLiteral("cdregiao"));
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QString()); // still in the editor
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QStringLiteral("CDREGIAO"));
}

// The row with a change the server has not got is marked, the count shows, and closing asks.
TEST_F(TypingTest, AChangeThatDidNotReachTheServerIsMarkedAndAskedAboutOnClose)
{
    // A dimension without a table: switching its check mark makes no check call before the save.
    include(QStringLiteral("61"), QStringLiteral("Sem tabela"));
    confirm();
    ASSERT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    const int row = rowOf(QStringLiteral("00061"));
    reachServer(false);
    clickCell(row, 0); // its check mark: "S" becomes "N" and is posted
    ASSERT_EQ(messages().size(), 1);
    EXPECT_FALSE(messages()[0].startsWith(serverFailureReport(QString()))) << "a connection failure";
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(form->cdsDadosIDDIMENSAODW->AsString(), QStringLiteral("N"));
    QApplication::processEvents();
    EXPECT_TRUE(form->lblPendentes->isVisible());
    EXPECT_EQ(form->lblPendentes->text(), QStringLiteral("1 alteração não gravada"));
    const QModelIndex name = form->dbgPadrao->model()->index(row, 2);
    const QRect cell = form->dbgPadrao->visualRect(name);
    const QImage painted = form->dbgPadrao->viewport()->grab().toImage();
    EXPECT_EQ(QColor(painted.pixel(cell.center().x(), cell.top())), GridDelegate::unsavedColour());
    const QRect stored = form->dbgPadrao->visualRect(form->dbgPadrao->model()->index(rowOf(QStringLiteral("00003")), 2));
    EXPECT_NE(QColor(painted.pixel(stored.center().x(), stored.top())), GridDelegate::unsavedColour());

    // Closing asks: stay keeps everything as it was.
    forget();
    ui->dialogAnswers.push(mrCancel);
    EXPECT_FALSE(form->Close());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Há 1 alteração não gravada no servidor.")));
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    // Send again while the server is still away: it says so and the screen stays.
    ui->dialogAnswers.push(mrYes);
    EXPECT_FALSE(form->Close());
    EXPECT_EQ(messages().size(), 3);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    // With the server back, send again stores the change and the screen closes.
    reachServer(true);
    forget();
    ui->dialogAnswers.push(mrYes);
    EXPECT_TRUE(form->Close());
    EXPECT_EQ(callsMade(), QStringList{"SetDimensao"});
    EXPECT_EQ(storedDimensions().filter(QStringLiteral("00061|")).value(0).right(1), QStringLiteral("N"));
}

// A delete the server has not got stays in sight below the records, framed as unsent; cancelling
// an edit meanwhile gives up that edit only, and the delete goes with the next save.
TEST_F(TypingTest, AnUnsentDeleteStaysInSightAndACancelledEditKeepsIt)
{
    goTo(QStringLiteral("00003"));
    reachServer(false);
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    ASSERT_EQ(form->cdsDados->ChangeCount(), 1);
    const int below = form->dbgPadrao->verticalHeader()->length() + 1;
    const QImage painted = form->dbgPadrao->viewport()->grab().toImage();
    EXPECT_EQ(QColor(painted.pixel(100, below)), GridDelegate::unsavedColour());
    EXPECT_NE(QColor(painted.pixel(100, below - 3)), GridDelegate::unsavedColour());
    // Its flag shows as the check mark, as on the other rows, not as its letter.
    const QImage check = checkedImage();
    const int height = form->dbgPadrao->verticalHeader()->defaultSectionSize();
    const QPoint corner(form->dbgPadrao->columnViewportPosition(0) + 1, below - 1 + (height - check.height()) / 2);
    int drawn = 0;
    int same = 0;
    for (int y = 0; y < check.height(); ++y) {
        for (int x = 0; x < check.width(); ++x) {
            if (QColor(check.pixel(x, y)) == toQColor(clOlive)) continue; // the background
            ++drawn;
            same += check.pixel(x, y) == painted.pixel(corner + QPoint(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(same, drawn);

    clickCell(0, 2);
    typeText(QStringLiteral("X"));
    forget();
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();
    EXPECT_EQ(messages(), QStringList{"Confirma o cancelamento das alterações?"});
    EXPECT_EQ(recorder->total(), 0) << "no reload, which would drop the delete";
    EXPECT_FALSE(editing());
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    reachServer(true);
    ui->dialogAnswers.push(mrYes);
    EXPECT_TRUE(form->Close());
    EXPECT_FALSE(storedCodes().contains(QStringLiteral("00003")));
}

// Blanks around a typed name go as the cell is left, so the duplicate check sees the name as it
// will be stored; letter case stays.
TEST_F(TypingTest, BlanksAroundATypedNameGoAsTheCellIsLeft)
{
    form->sbtIncluir->Click();
    form->dbgPadrao->SetSelectedIndex(2);
    typeText(QStringLiteral("Clientes  "));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosNMITEMDIME->AsString(), QStringLiteral("Clientes"));
    EXPECT_EQ(messages(), QStringList{"Nome já cadastrado."});
    qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor())->selectAll();
    typeText(QStringLiteral("CLIENTES "));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosNMITEMDIME->AsString(), QStringLiteral("CLIENTES"));
    EXPECT_EQ(messages().size(), 1);
}

// Two people change the same dimension: the second save is refused on the merits; the loser sees
// what the server holds and the next, unrelated change is saved on its own.
TEST_F(TypingTest, TheLoserOfAConflictSeesTheStoredValueAndGoesOn)
{
    TfrmDimensao *other = TApplication::CreateForm<TfrmDimensao>();
    std::unique_ptr<TfrmDimensao> otherOwned(other);
    for (other->cdsDados->First(); other->cdsDadosNRSEQUEDIME->AsString() != QStringLiteral("00002");)
        other->cdsDados->Next();
    other->sbtAlterar->Click();
    other->cdsDadosNMITEMDIME->SetText(QStringLiteral("Cidades do Sul"));
    other->sbtConfirmar->Click();
    ASSERT_TRUE(ui->messages().isEmpty()) << ui->messages().join('\n').toStdString();

    const int row = rowOf(QStringLiteral("00002"));
    clickCell(row, 2);
    typeText(QStringLiteral("Municipios"));
    forget();
    QTest::mouseClick(form->sbtConfirmar, Qt::LeftButton);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(serverFailureReport(QString())));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("00002")));
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao", "SetDimensao", "getDimensao"}));
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 0);
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00002"));
    EXPECT_EQ(form->cdsDadosNMITEMDIME->AsString(), QStringLiteral("Cidades do Sul"));

    forget();
    clickCell(rowOf(QStringLiteral("00004")), 0);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    EXPECT_EQ(storedDimensions().filter(QStringLiteral("00004|")).value(0).right(1), QStringLiteral("S"));
    EXPECT_EQ(storedDimensions().filter(QStringLiteral("00002|")).value(0).section('|', 1, 1),
              QStringLiteral("Cidades do Sul"));
}

// The keyboard alone: the grid has the focus from the start, typing on the check marks goes to
// the first column that takes it, and every command key takes the command's own path.
TEST_F(TypingTest, TheKeyboardReachesEveryCommandFromTheGrid)
{
    auto gridHasFocus = [this] {
        QWidget *focus = QApplication::focusWidget();
        return focus && (focus == form->dbgPadrao || form->dbgPadrao->isAncestorOf(focus));
    };
    form->Show();
    QApplication::processEvents();
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosIDDIMENSAODW);

    // A letter on the check marks: the stored code cannot be typed, so the name takes it.
    QTest::keyClick(form->dbgPadrao, 'V');
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNMITEMDIME);
    ASSERT_NE(form->dbgPadrao->cellEditor(), nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor())->text(), QStringLiteral("V"));
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsEdit);
    // The first Escape gives up the typing in the cell, the second asks what Cancel asks.
    forget();
    key(Qt::Key_Escape);
    EXPECT_EQ(form->dbgPadrao->cellEditor(), nullptr);
    EXPECT_TRUE(messages().isEmpty());
    ui->dialogAnswers.push(mrYes);
    key(Qt::Key_Escape);
    EXPECT_EQ(messages(), QStringList{"Confirma o cancelamento das alterações?"});
    EXPECT_FALSE(editing());
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});

    // Insert from the main attribute's column: the new row starts on its code.
    form->dbgPadrao->SetSelectedIndex(5);
    QTest::keyClick(form->dbgPadrao, Qt::Key_Insert);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNRSEQUEDIME);
    EXPECT_TRUE(gridHasFocus());
    ui->dialogAnswers.push(mrYes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(editing());

    // Ctrl+Delete: the toolbar's question, naming the dimension below it.
    goTo(QStringLiteral("00004"));
    forget();
    QTest::keyClick(form->dbgPadrao, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(messages(), QStringList{"Confirma exclusão?"});
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].informativeText, QStringLiteral("Dimensão 00004 – Cidades"));
    EXPECT_EQ(form->cdsDados->RecordCount(), 5);

    // F5 refreshes; Ctrl+F finds by caption, "4" being the code 00004.
    forget();
    QTest::keyClick(form->dbgPadrao, Qt::Key_F5);
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
    EXPECT_EQ(form->cdsDados->RecNo(), 1);
    ui->findAnswers.push(std::make_pair(QStringLiteral("NRSEQUEDIME"), QStringLiteral("4")));
    QTest::keyClick(form->dbgPadrao, Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].choices.value(0), QStringLiteral("Código"));
    EXPECT_FALSE(ui->shown[0].choices.contains(QStringLiteral("IDDIMENSAODW")));
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00004"));
    EXPECT_TRUE(gridHasFocus());
}

// A save whose list comes back with the same dimensions repaints the changed one in place: no
// new layout, the current cell on the first row in the column it was in. When another person
// added a dimension meanwhile, the save's list shows it too.
TEST_F(TypingTest, ASaveRefreshesTheChangedRowInPlaceAndShowsDimensionsAddedMeanwhile)
{
    QAbstractItemModel *model = form->dbgPadrao->model();
    int resets = 0;
    QObject::connect(model, &QAbstractItemModel::modelReset, form, [&] { ++resets; });
    const int name = 2;
    auto rename = [&](const QString &code, const QString &text) {
        clickCell(rowOf(code), name);
        typeText(text);
        QTest::mouseClick(form->sbtConfirmar, Qt::LeftButton);
        EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
        EXPECT_EQ(model->index(rowOf(code), name).data().toString(), text);
        EXPECT_EQ(form->dbgPadrao->currentIndex(), model->index(0, name));
    };
    rename(QStringLiteral("00003"), QStringLiteral("Grupos"));
    EXPECT_EQ(resets, 0);

    std::unique_ptr<TfrmDimensao> other(TApplication::CreateForm<TfrmDimensao>());
    other->sbtIncluir->Click();
    other->cdsDadosNRSEQUEDIME->SetText(QStringLiteral("6"));
    other->cdsDadosNMITEMDIME->SetText(QStringLiteral("Regiões"));
    other->sbtConfirmar->Click();
    rename(QStringLiteral("00004"), QStringLiteral("Cidades do Sul"));
    EXPECT_EQ(resets, 1);
    ASSERT_EQ(model->rowCount(), 6);
    EXPECT_EQ(model->index(rowOf(QStringLiteral("00006")), name).data().toString(), QStringLiteral("Regiões"));
}
