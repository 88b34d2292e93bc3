#include "ScreenFixture.h"

#include "Services.h"

// The checks before a dimension is posted, in their fixed order: each refusal moves the focus,
// then shows its one message, leaves the row being entered and hides the busy indicator.
class RecordValidationTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
    }
    // A refused post: still inserting, nothing left on screen from the checks.
    void expectRefused()
    {
        EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
        EXPECT_FALSE(BusyIndicator().shown);
        EXPECT_EQ(calls(QStringLiteral("SetDimensao")), 0);
    }
};

TEST_F(RecordValidationTest, CodeAndNameAreRequiredBeforeAnyServerCall)
{
    include(QString(), QString());
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"focus:NRSEQUEDIME", "msg:Código de dimensão deve ser Informado"}));
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNRSEQUEDIME);
    expectRefused();

    // A name of blanks only counts as blank.
    type(form->cdsDadosNRSEQUEDIME, QStringLiteral("7"));
    type(form->cdsDadosNMITEMDIME, QStringLiteral("   "));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"focus:NMITEMDIME", "msg:Nome de dimensão deve ser Informado"}));
    EXPECT_EQ(recorder->total(), 0);
    expectRefused();
}

TEST_F(RecordValidationTest, WithoutATableNoFieldMayBeNamed)
{
    // Only the self-relationship filled.
    include(QStringLiteral("7"), QStringLiteral("Sete"), QString(), QString(), QString(), QStringLiteral("PAI"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:DSPKDIME2",
                                     "msg:Campo \"Auto Relacionamento\" só deve ser preenchido quando o campo \"Tabela Dimensão\" também for preenchido."}));
    expectRefused();

    // Key and main attribute filled: only the key is reported.
    type(form->cdsDadosDSPKDIME, QStringLiteral("ID"));
    type(form->cdsDadosDSITEMDIME, QStringLiteral("NOME"));
    forget();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"Chave Primária\" só deve ser preenchido quando o campo \"Tabela Dimensão\" também for preenchido."});
    EXPECT_TRUE(timeline.contains(QStringLiteral("focus:DSPKDIME")));
    expectRefused();
}

TEST_F(RecordValidationTest, ADimensionWithoutTableNeedsNoStructureCheck)
{
    include(QStringLiteral("7"), QStringLiteral("Sete"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "SetDimensao"}));
    EXPECT_TRUE(storedCodes().contains(QStringLiteral("00007")));
}

TEST_F(RecordValidationTest, WithATableKeyAndMainAttributeAreRequired)
{
    include(QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("CLIENTE"), QStringLiteral("CDCLIENTE"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:DSITEMDIME",
                                     "msg:Campo \"Atributo Principal\" deve ser informado."}));
    expectRefused();

    // The self-relationship stays optional.
    type(form->cdsDadosDSITEMDIME, QStringLiteral("NMCLIENTE"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao", "SetDimensao"}));
}

TEST_F(RecordValidationTest, DuplicatesAreReportedBeforeTheTableRules)
{
    include(QStringLiteral("7"), QStringLiteral("Clientes"), QString(), QStringLiteral("ID"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:NMITEMDIME",
                                     "msg:Nome já cadastrado."}));
    expectRefused();
}

TEST_F(RecordValidationTest, NamesRewrittenBeforeAStructureRefusalStaySo)
{
    include(QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("cli ente"),
            QStringLiteral("cd cliente"), QStringLiteral("nome x"), QStringLiteral("cd cidade"));
    forget();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"NOMEX\" inválido para a tabela \"CLIENTE\"."});
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao"}));
    EXPECT_TRUE(timeline.contains(QStringLiteral("call:vdDimensao[6:Validando Estrutura de Dados no Servidor]")));
    EXPECT_EQ(form->cdsDadosCDTABELADIME->AsString(), QStringLiteral("CLIENTE"));
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QStringLiteral("CDCLIENTE"));
    EXPECT_EQ(form->cdsDadosDSITEMDIME->AsString(), QStringLiteral("NOMEX"));
    EXPECT_EQ(form->cdsDadosDSPKDIME2->AsString(), QStringLiteral("CDCIDADE"));
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00007"));
    expectRefused();

    // Corrected, the same row goes through.
    type(form->cdsDadosDSITEMDIME, QStringLiteral("nmcliente"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00007|Sete|CLIENTE|CDCLIENTE|NMCLIENTE|CDCIDADE|S")));
}

TEST_F(RecordValidationTest, ARowToggleOfAStoredDimensionRunsTheWholeValidation)
{
    goTo(QStringLiteral("00001"));
    form->dbgPadrao->SetSelectedIndex(0);
    forget();
    form->dbgPadraoCellClick(form->dbgPadrao->Columns(0));
    // The name is unchanged, so no duplicate query; the structure query is made.
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "SetDimensao"}));
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00001|Clientes|CLIENTE|CDCLIENTE|NMCLIENTE||N")));
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsBrowse);
}
