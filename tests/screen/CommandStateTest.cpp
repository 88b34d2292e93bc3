#include "LoginBroadcast.h"
#include "ScreenFixture.h"
#include "Services.h"
#include "dimension/ProfileLine.h"

#include <QTest>

// Which commands, tabs and menu items are open in each state of the current record set.
class CommandStateTest : public ScreenTest
{
protected:
    // Every toolbar control follows its menu item.
    void expectButtonsFollowMenu()
    {
        const std::pair<TSpeedButton *, TMenuItem *> pairs[] = {
            {form->sbtIncluir, form->mnuIncluir},     {form->sbtAlterar, form->mnuAlterar},
            {form->sbtExcluir, form->mnuExcluir},     {form->sbtProcurar, form->mnuProcurar},
            {form->sbtVerificar, form->mnuVerificar}, {form->sbtConfirmar, form->mnuConfirmar},
            {form->sbtCancelar, form->mnuCancelar},   {form->sbtFechar, form->mnuFechar},
        };
        for (const auto &[button, item] : pairs)
            EXPECT_EQ(button->Enabled(), item->Enabled()) << item->objectName().toStdString();
    }
};

TEST_F(CommandStateTest, AnEmptyListOffersOnlyIncludeRefreshAndClose)
{
    startServer(emptyDatabaseUrl());
    openScreen();
    EXPECT_TRUE(form->cdsDados->Active());
    EXPECT_TRUE(form->cdsDados->IsEmpty());
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuVerificar", "mnuFechar"}));
    EXPECT_FALSE(form->tshExtras->Enabled());
    EXPECT_FALSE(form->mnuExtras->Enabled());
    expectButtonsFollowMenu();
    // Refreshing it asks the server again, so that what others added since can appear.
    forget();
    form->sbtVerificar->Click();
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
}

// A user who may only read: every command that writes is off and says why, nothing can be typed
// or clicked into a change, and the profile line reads the data.
TEST_F(CommandStateTest, AReadOnlyUserIsOfferedNothingThatWrites)
{
    startServer();
    ASSERT_TRUE(server.addUser(QStringLiteral("leitor"), QStringLiteral("read-only"),
                               QStringLiteral("ler")));
    host.access = server.login(QStringLiteral("leitor"), QStringLiteral("ler"));
    host.access.readOnly = true; // as the host sets it for this role
    openScreen();
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuProcurar", "mnuVerificar", "mnuFechar"}));
    expectButtonsFollowMenu();
    EXPECT_EQ(form->sbtAlterar->toolTip(), ReadOnlyHint());
    form->dbgPadrao->SetSelectedIndex(2);
    EXPECT_FALSE(form->dbgPadrao->Options() & dgEditing);
    form->dbgPadrao->SetSelectedIndex(0);
    form->dbgPadraoCellClick(form->dbgPadrao->Columns(0));
    EXPECT_FALSE(form->cdsDados->isEditing());
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return form->lblPerfilDimensao->text().contains(QStringLiteral("membros")); },
        20000))
        << form->lblPerfilDimensao->text().toStdString();

    // A profile the ended session kept from the line comes once the user has logged in again.
    const ServerAccess session = host.access;
    host.access.sessionToken = QStringLiteral("encerrada");
    form->cdsDados->Next();
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->lblPerfilDimensao->text().startsWith(QStringLiteral("Perfil indisponível")); }, 20000));
    host.access = session;
    LoginBroadcast::instance().announce();
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->lblPerfilDimensao->text().contains(QStringLiteral("membros")); }, 20000))
        << form->lblPerfilDimensao->text().toStdString();
}

TEST_F(CommandStateTest, InsertingOffersOnlyConfirmAndCancelAndStartsChecked)
{
    startServer();
    openScreen();
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));
    EXPECT_TRUE(form->tshExtras->Enabled());
    EXPECT_TRUE(form->cdsDadosNRSEQUEDIME->ReadOnly());

    form->sbtIncluir->Click();
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuConfirmar", "mnuCancelar"}));
    expectButtonsFollowMenu();
    EXPECT_FALSE(form->tshExtras->Enabled());
    EXPECT_FALSE(form->mnuExtras->Enabled());
    EXPECT_EQ(form->cdsDadosIDDIMENSAODW->AsString(), QStringLiteral("S"));
    EXPECT_FALSE(form->cdsDadosNRSEQUEDIME->ReadOnly());
    EXPECT_NO_THROW(type(form->cdsDadosNRSEQUEDIME, QStringLiteral("77")));

    // Cancel answered no: the insert goes on.
    forget();
    ui->dialogAnswers.push(mrNo);
    form->sbtCancelar->Click();
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuConfirmar", "mnuCancelar"}));
    EXPECT_EQ(recorder->total(), 0);

    // Answered yes: the row goes, the list comes again from the server, the browse rules return.
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(form->cdsDados->RecordCount(), 5);
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));
    EXPECT_TRUE(form->tshExtras->Enabled());
}

TEST_F(CommandStateTest, AStoredCodeCannotBeRetyped)
{
    startServer();
    openScreen();
    form->sbtAlterar->Click();
    ASSERT_EQ(form->cdsDados->State(), TDataSetState::dsEdit);
    EXPECT_TRUE(form->cdsDadosNRSEQUEDIME->ReadOnly());
    EXPECT_THROW(type(form->cdsDadosNRSEQUEDIME, QStringLiteral("99")), EDatabaseError);
    EXPECT_FALSE(form->tshExtras->Enabled());
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuConfirmar", "mnuCancelar"}));
}

TEST_F(CommandStateTest, ExtrasTabFollowsItsOwnRecordSetAndTheDimensionsTable)
{
    startServer();
    openScreen();
    // A dimension without a table.
    include(QStringLiteral("9"), QStringLiteral("Sem Tabela"));
    confirm();
    ASSERT_FALSE(editing()) << messages().join(QLatin1Char('\n')).toStdString();
    goTo(QStringLiteral("00009"));

    forget();
    form->mnuExtras->Click();
    EXPECT_EQ(callsMade(), QStringList{"GetExtras"});
    EXPECT_TRUE(form->mnuExtras->Checked());
    EXPECT_FALSE(form->mnuDimensao->Checked());
    EXPECT_TRUE(form->cdsExtras->IsEmpty());
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuVerificar", "mnuFechar"}));
    EXPECT_TRUE(form->tshPadrao->Enabled());
    // An insert there is undone at once, without a word.
    form->cdsExtras->Insert();
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(messages().isEmpty());

    // A dimension with a table and extras.
    form->mnuDimensao->Click();
    goTo(QStringLiteral("00001"));
    forget();
    form->mnuExtras->Click();
    EXPECT_EQ(form->cdsExtras->RecordCount(), 3);
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));
    form->sbtIncluir->Click();
    ASSERT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->cdsExtrasNRSEQUEDIME->AsString(), QStringLiteral("00001"));
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuConfirmar", "mnuCancelar"}));
    EXPECT_FALSE(form->tshPadrao->Enabled());
    EXPECT_FALSE(form->mnuDimensao->Enabled());
    expectButtonsFollowMenu();
}

TEST_F(CommandStateTest, EveryChangeToTheExtrasTabReloadsThem)
{
    startServer();
    openScreen();
    // Moving through dimensions on the Dimension tab fetches no extras.
    for (form->cdsDados->First(); !form->cdsDados->Eof(); form->cdsDados->Next()) {}
    form->cdsDados->First();
    EXPECT_EQ(recorder->total(), 0);

    form->pgcPadrao->setCurrentWidget(form->tshExtras); // as a click on the tab
    form->mnuExtras->Click();
    EXPECT_EQ(callsMade(), (QStringList{"GetExtras", "GetExtras"}));
    EXPECT_TRUE(timeline.first().startsWith(QStringLiteral("call:GetExtras[6:Recebendo Dados Do Servidor]")));
    form->mnuDimensao->Click();
    EXPECT_EQ(recorder->total(), 2);
}
