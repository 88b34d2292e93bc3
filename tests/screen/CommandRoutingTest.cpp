#include "ScreenFixture.h"

#include "Services.h"

#include <QApplication>
#include <QTest>

// The commands on the Extras tab act on the extras of dimension 00001.
class CommandRoutingTest : public ExtrasTabTest
{
protected:
    QStringList focusMoves() const { return timeline.filter(QStringLiteral("focus:")); }
};

TEST_F(CommandRoutingTest, IncludeAndAlterPlaceTheFocusByTheMarkedField)
{
    // Alter focuses the field after the first marked one; a marked last field is passed over.
    form->cdsExtrasNRSEQUEDIME->SetTag(1);
    form->cdsExtrasDSATRIBEXTRDIME->SetTag(3);
    forget();
    form->sbtAlterar->Click();
    EXPECT_EQ(focusMoves(), QStringList{"focus:CDATRIBEXTRDIME"});
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsEdit);
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    form->cdsExtrasNRSEQUEDIME->SetTag(2); // bit 0 clear: not a mark
    forget();
    form->sbtAlterar->Click();
    EXPECT_TRUE(focusMoves().isEmpty());
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    // Include focuses the first marked field itself.
    forget();
    form->sbtIncluir->Click();
    EXPECT_EQ(focusMoves(), QStringList{"focus:DSATRIBEXTRDIME"});
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->cdsExtras->RecordCount(), 4);

    // While inserting: Include and Alter do nothing, Search still opens the find dialog.
    forget();
    form->sbtIncluirClick(form->sbtIncluir);
    form->sbtAlterarClick(form->sbtAlterar);
    form->sbtExcluirClick(form->sbtExcluir);
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->cdsExtras->RecordCount(), 4);
    EXPECT_TRUE(focusMoves().isEmpty());
    EXPECT_TRUE(ui->shown.empty());
    form->sbtProcurarClick(form->sbtProcurar);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].kind, ScriptedInteraction::Shown::Find);
}

// Ctrl+Tab, Ctrl+PageDown and their backward keys go round the three tabs from the grid.
TEST_F(CommandRoutingTest, CtrlTabAndCtrlPageKeysSwitchTabs)
{
    form->mnuDimensaoClick(form->mnuDimensao);
    form->window()->activateWindow(); // shortcuts act in the active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->window()));
    form->dbgPadrao->setFocus();
    QTest::keyClick(form->dbgPadrao, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->pgcPadrao->ActivePage(), form->tshExtras);
    EXPECT_TRUE(form->mnuExtras->Checked());
    EXPECT_EQ(QApplication::focusWidget(), form->dbgExtras);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->pgcPadrao->currentIndex(), 2);
    EXPECT_TRUE(form->mnuMembros->Checked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->pgcPadrao->ActivePage(), form->tshExtras);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(form->pgcPadrao->ActivePage(), form->tshPadrao);
    EXPECT_FALSE(form->mnuMembros->Checked());
    // The members tab has its item in the Operação menu, as the other two have.
    form->mnuMembros->Click();
    EXPECT_EQ(form->pgcPadrao->currentIndex(), 2);
    EXPECT_TRUE(form->mnuMembros->Checked());
    EXPECT_FALSE(form->mnuDimensao->Checked());
}

TEST_F(CommandRoutingTest, CancelOnTheExtrasTabAsksThenReloadsTheExtras)
{
    form->sbtAlterar->Click();
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Municipio"));

    // Answered no: the edit goes on, nothing is asked of the server.
    forget();
    form->sbtCancelar->Click();
    EXPECT_EQ(messages(), QStringList{"Confirma o cancelamento das alterações?"});
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsEdit);
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuConfirmar", "mnuCancelar"}));

    // Answered yes: the edit is undone, the extras come again, the browse rules return.
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(callsMade(), QStringList{"GetExtras"});
    form->cdsExtras->First();
    EXPECT_EQ(form->cdsExtrasDSATRIBEXTRDIME->AsString(), QStringLiteral("Cidade"));
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));
    EXPECT_TRUE(form->tshPadrao->Enabled());
}

// The Extras tab names its dimension, Include puts the keyboard in its grid, the lookup marks
// the fields already taken, and Include disabled for a dimension without table says why.
TEST_F(CommandRoutingTest, TheExtrasTabSaysWhatItShowsAndWhyIncludeIsClosed)
{
    QApplication::processEvents();
    EXPECT_EQ(form->lblDimensaoExtras->text(), QStringLiteral("Dimensão: 00001 – Clientes"));
    QApplication::setActiveWindow(form);
    form->sbtIncluir->Click();
    QWidget *focus = QApplication::focusWidget();
    EXPECT_TRUE(focus && (focus == form->dbgExtras || form->dbgExtras->isAncestorOf(focus)));

    form->dbgExtras->SetSelectedIndex(0);
    forget();
    form->dbgExtrasEditButtonClick(form->dbgExtras);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].kind, ScriptedInteraction::Shown::PickList);
    for (const char *used : {"CDCIDADE", "DSSEGMENTO", "DTCADASTRO", "CDCLIENTE", "NMCLIENTE"})
        EXPECT_TRUE(ui->shown[0].choices.contains(QString::fromLatin1(used))) << used;
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    form->mnuDimensao->Click();
    include(QStringLiteral("77"), QStringLiteral("Sem tabela"));
    confirm();
    ASSERT_FALSE(editing());
    goTo(QStringLiteral("00077"));
    form->mnuExtras->Click();
    EXPECT_FALSE(form->sbtIncluir->Enabled());
    EXPECT_TRUE(form->sbtIncluir->toolTip().contains(QStringLiteral("\"Tabela Dimensão\""))) << form->sbtIncluir->toolTip().toStdString();
    form->mnuDimensao->Click();
    EXPECT_EQ(form->sbtIncluir->toolTip(), QStringLiteral("Incluir (Ins)"));
}
