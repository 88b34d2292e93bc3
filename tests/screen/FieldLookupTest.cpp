#include "ScreenFixture.h"

#include "Services.h"

#include <QTcpServer>

// The ellipsis of the field columns: the table's fields from the structure module.
class FieldLookupTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
        goTo(QStringLiteral("00001")); // CLIENTE, key CDCLIENTE
    }
};

TEST_F(FieldLookupTest, TheChosenFieldIsWrittenUnlessItIsAlreadyThere)
{
    ui->pickAnswers.push(0); // CDCLIENTE, the key it already holds
    form->PesquisaCampos(form->cdsDadosDSPKDIME);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, QStringLiteral("Campos"));

    ui->pickAnswers.push(std::nullopt); // closed without a choice
    form->PesquisaCampos(form->cdsDadosDSPKDIME2);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);

    ui->pickAnswers.push(2); // CDCIDADE
    form->PesquisaCampos(form->cdsDadosDSPKDIME2);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsEdit) << "written, not posted";
    EXPECT_EQ(form->cdsDadosDSPKDIME2->AsString(), QStringLiteral("CDCIDADE"));
    EXPECT_EQ(callsMade(), (QStringList{"getFields", "getFields", "getFields"}));
    EXPECT_EQ(calls(QStringLiteral("SetDimensao")), 0);
}

// The lists start on the value held and leave out what the dimension uses already.
TEST_F(FieldLookupTest, ListsStartOnTheValueHeldAndLeaveOutFieldsInUse)
{
    form->PesquisaCampos(form->cdsDadosDSITEMDIME);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].initial, QStringLiteral("NMCLIENTE"));
    EXPECT_EQ(ui->shown[0].choices, QStringList{"CDCLIENTE"});
    EXPECT_FALSE(form->cdsFields->FieldByName(QStringLiteral("DSTIPO"))->AsString().isEmpty());
}

TEST_F(FieldLookupTest, ABlankTableIsReportedWithoutAServerCall)
{
    include(QStringLiteral("8"), QStringLiteral("Oito"));
    form->dbgPadrao->SetSelectedIndex(4);
    forget();
    EXPECT_THROW(form->dbgPadraoEditButtonClick(form->dbgPadrao), EAbort);
    EXPECT_EQ(messages(), QStringList{"O campo \"Tabela Dimensão\" deve estar preenchido para que a pesquisa de campos seja realizada."});
    EXPECT_EQ(recorder->total(), 0);
}

TEST_F(FieldLookupTest, WithoutTheStructureModuleOnlyTheLookupFails)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int realPort = host.port;
    host.port = probe.serverPort();
    probe.close();
    form->netValida->SetConnected(false);
    form->netValida->SetConnected(true);
    host.port = realPort;

    form->dbgPadrao->SetSelectedIndex(4);
    EXPECT_THROW(form->dbgPadraoEditButtonClick(form->dbgPadrao), EConnectionError);
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);

    include(QStringLiteral("8"), QStringLiteral("Oito"), QStringLiteral("regiao"),
            QStringLiteral("cdregiao"), QStringLiteral("nmregiao"));
    ui->clear();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(storedCodes().contains(QStringLiteral("00008")));
}
