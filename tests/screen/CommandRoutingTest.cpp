#include "ScreenFixture.h"

#include "Services.h"

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
