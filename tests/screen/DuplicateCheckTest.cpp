#include "ScreenFixture.h"

#include "Services.h"

// The code and name of a dimension against the stored ones.
class DuplicateCheckTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
        // The indicator goes as soon as the answer is loaded, before the answer is judged: a
        // refusal's focus move finds it gone.
        QObject::connect(form->cdsDados, &TClientDataSet::fieldFocusRequested, form,
                         [this](TField *) { busyAtFocus << BusyIndicator().shown; });
    }
    QList<bool> busyAtFocus;
};

TEST_F(DuplicateCheckTest, ANewCodeIsBroughtToItsStoredFormBeforeTheQuery)
{
    // Typed with a blank inside; the rewritten code stays even though it is refused.
    include(QStringLiteral("0 1"), QStringLiteral("Outra"));
    forget();
    busyAtFocus.clear();
    confirm();
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00001"));
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:NRSEQUEDIME",
                                     "msg:Código já cadastrado."}));
    EXPECT_EQ(busyAtFocus, QList<bool>{false});
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(DuplicateCheckTest, CodeAndNameOfOneStoredDimensionReportTheCode)
{
    include(QStringLiteral("2"), QStringLiteral("Produtos"));
    forget();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Código já cadastrado."});
    EXPECT_TRUE(timeline.contains(QStringLiteral("focus:NRSEQUEDIME")));
}

TEST_F(DuplicateCheckTest, LeavingTheNameColumnWithABlankCodeChecksTheName)
{
    form->sbtIncluir->Click();
    form->dbgPadrao->SetSelectedIndex(2);
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Produtos"));
    forget();
    // The user leaves the name column; the refusal ends the move.
    EXPECT_THROW(form->dbgPadrao->SetSelectedIndex(3), EAbort);
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:NMITEMDIME",
                                     "msg:Nome já cadastrado."}));
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QString()); // a blank code is not rewritten
    EXPECT_EQ(form->dbgPadrao->SelectedIndex(), 2) << "the grid stays in the column it was leaving";

    // Code and name both blank: no check on leaving.
    type(form->cdsDadosNMITEMDIME, QString());
    forget();
    form->dbgPadrao->SetSelectedIndex(1);
    form->dbgPadrao->SetSelectedIndex(3);
    EXPECT_EQ(recorder->total(), 0);
}

TEST_F(DuplicateCheckTest, AnEditIsCheckedOnlyWhenItsNameChanged)
{
    goTo(QStringLiteral("00004"));
    form->sbtAlterar->Click();
    type(form->cdsDadosDSPKDIME2, QStringLiteral("cdregiao"));
    forget();
    confirm();
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "SetDimensao"}));

    // Another dimension's name: refused whatever the returned record is.
    goTo(QStringLiteral("00004"));
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Vendedores"));
    forget();
    busyAtFocus.clear();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:NMITEMDIME",
                                     "msg:Nome já cadastrado."}));
    EXPECT_EQ(busyAtFocus, QList<bool>{false});
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsEdit);
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();

    // Only the letter case changed: that is a change, so the name is queried.
    goTo(QStringLiteral("00004"));
    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("CIDADES"));
    forget();
    confirm();
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao", "SetDimensao"}));
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00004|CIDADES|CIDADE|CDCIDADE|NMCIDADE|CDREGIAO|N")));
}

TEST_F(DuplicateCheckTest, AFailedQueryRefusesThePostAndHidesTheIndicator)
{
    include(QStringLiteral("8"), QStringLiteral("Oito"));
    server.kill();
    forget();
    confirm();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_FALSE(BusyIndicator().shown);
}
