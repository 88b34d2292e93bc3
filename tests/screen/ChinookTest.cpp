#include "ScreenFixture.h"

#include "Services.h"

#include <QFile>

// A real application database of someone else's making: mixed-case names, and
// Employee.ReportsTo pointing back at Employee.EmployeeId.
class ChinookTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        const QString original = QStringLiteral(KZR_CHINOOK_PATH);
        if (!QFile::exists(original))
            GTEST_SKIP() << "the Chinook sample database is not at " << original.toStdString();
        const QString copy = server.tempPath(QStringLiteral("chinook.sqlite"));
        ASSERT_TRUE(QFile::copy(original, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        startServer(QStringLiteral("sqlite:") + copy);
        openScreen();
    }
};

TEST_F(ChinookTest, AHierarchicalDimensionOverMixedCaseNamesIsStoredInNormalForm)
{
    EXPECT_TRUE(form->cdsDados->IsEmpty());
    include(QStringLiteral("1"), QStringLiteral("Funcionários"), QStringLiteral("employee"),
            QStringLiteral("employee id"), QStringLiteral("last name"), QStringLiteral("reports to"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "vdDimensao", "SetDimensao"}));
    EXPECT_EQ(storedDimensions(), QStringList{"00001|Funcionários|EMPLOYEE|EMPLOYEEID|LASTNAME|REPORTSTO|S"});
    EXPECT_EQ(form->cdsDados->RecordCount(), 1);
}

TEST_F(ChinookTest, FieldsTheTableLacksAndRepeatedFieldsAreRefused)
{
    include(QStringLiteral("2"), QStringLiteral("Faixas"), QStringLiteral("Track"),
            QStringLiteral("TrackId"), QStringLiteral("Salary"));
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"SALARY\" inválido para a tabela \"TRACK\"."});
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QStringLiteral("TRACKID"));

    // The self-relationship may not be the key itself.
    type(form->cdsDadosDSITEMDIME, QStringLiteral("Name"));
    type(form->cdsDadosDSPKDIME2, QStringLiteral("trackid"));
    ui->clear();
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:DSPKDIME2",
                                     "msg:O campo \"Auto Relacionamento\" não deve ter o mesmo conteúdo do campo \"Chave Primária\""}));
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(ChinookTest, TheFieldLookupListsTheTablesFields)
{
    include(QStringLiteral("3"), QStringLiteral("Artistas"), QStringLiteral("Artist"));
    form->dbgPadrao->SetSelectedIndex(4);
    ASSERT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosDSPKDIME);
    forget();
    ui->pickAnswers.push(0);
    form->dbgPadraoEditButtonClick(form->dbgPadrao);
    EXPECT_EQ(callsMade(), QStringList{"getFields"});
    EXPECT_EQ(timeline, QStringList{"call:getFields[]"});
    EXPECT_EQ(form->cdsFields->RecordCount(), 2);
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QStringLiteral("ARTISTID"));

    // Closing the list without a choice changes nothing; the list is fetched anew.
    form->dbgPadrao->SetSelectedIndex(5);
    form->dbgPadraoEditButtonClick(form->dbgPadrao);
    EXPECT_EQ(calls(QStringLiteral("getFields")), 2);
    EXPECT_EQ(form->cdsDadosDSITEMDIME->AsString(), QString());
}
