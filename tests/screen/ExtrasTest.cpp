#include "ScreenFixture.h"

#include "Services.h"

#include <QCoreApplication>

class ExtrasTest : public ExtrasTabTest
{
protected:
    void includeExtra(const QString &attribute, const QString &name)
    {
        form->sbtIncluir->Click();
        ASSERT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
        if (!attribute.isEmpty())
            form->cdsExtrasCDATRIBEXTRDIME->SetText(attribute);
        if (!name.isEmpty())
            form->cdsExtrasDSATRIBEXTRDIME->SetText(name);
    }
    QStringList storedExtras()
    {
        auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
        TClientDataSet ds;
        ds.SetData(CheckResultServ(net->AppServer().Call(QStringLiteral("GetExtras"), {QStringLiteral("00001")})));
        QStringList rows;
        for (ds.First(); !ds.Eof(); ds.Next())
            rows << ds.FieldByName(QStringLiteral("CDATRIBEXTRDIME"))->AsString() + QLatin1Char('|')
                    + ds.FieldByName(QStringLiteral("DSATRIBEXTRDIME"))->AsString();
        return rows;
    }
};

TEST_F(ExtrasTest, NameAndAttributeAreRequiredBeforeAnyServerCall)
{
    includeExtra(QString(), QString());
    forget();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Nome do atributo extra deve ser informado."});
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Nome"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Atributo extra deve ser informado."});
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_FALSE(timeline.join(QLatin1Char(' ')).contains(QStringLiteral("focus:")));
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);
}

TEST_F(ExtrasTest, AnAttributeIsComparedWithTheDimensionsFieldsInNormalForm)
{
    // As typed it differs from the key; in normal form it is the key.
    includeExtra(QStringLiteral("cd cliente"), QStringLiteral("Código"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"focus:CDATRIBEXTRDIME",
                                     "msg:O campo \"Atributo Extra\" não deve ter o mesmo conteúdo do campo \"Chave Primária\""}));
    EXPECT_EQ(form->cdsExtrasCDATRIBEXTRDIME->AsString(), QStringLiteral("CDCLIENTE"));
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(ExtrasTest, ClashesWithStoredAttributesAreRefused)
{
    includeExtra(QStringLiteral("cdcidade"), QStringLiteral("Outra cidade"));
    forget();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Atributo extra já cadastrado."});
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "vdExtras"}));
    EXPECT_FALSE(BusyIndicator().shown);

    form->cdsExtrasCDATRIBEXTRDIME->SetText(QStringLiteral("nmcliente2"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"NMCLIENTE2\" inválido para a tabela \"CLIENTE\"."});

    form->cdsExtrasCDATRIBEXTRDIME->SetText(QStringLiteral("imfoto"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"IMFOTO\" é de tipo não permitido para constituir uma dimensão."});
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsInsert);

    // The dimension's main attribute, typed in lower case.
    form->cdsExtrasCDATRIBEXTRDIME->SetText(QStringLiteral("nmcliente"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"O campo \"Atributo Extra\" não deve ter o mesmo conteúdo do campo \"Atributo Principal\""});
}

TEST_F(ExtrasTest, SavedChangesAreAnnouncedAndDropTheHostsCubes)
{
    auto *cube = new TClientDataSet(host.main.get(), QStringLiteral("cdsCuboVendas"));
    auto *notCube = new TClientDataSet(host.main.get(), QStringLiteral("cdsCubVendas"));
    auto *otherKind = new QObject(host.main.get());
    otherKind->setObjectName(QStringLiteral("CDSCUBOX"));
    // Only the letters a to z change case: the long s does not become an "S".
    auto *longS = new TClientDataSet(host.main.get(), QString::fromUtf8("cd\u017Fcubo"));
    QPointer<QObject> cubeWatch(cube), notCubeWatch(notCube), otherWatch(otherKind), longSWatch(longS);

    // Delete answered no: nothing at all.
    form->cdsExtras->Last(); // DTCADASTRO
    forget();
    form->sbtExcluir->Click();
    EXPECT_EQ(messages(), QStringList{"Confirma exclusão?"});
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(form->cdsExtras->RecordCount(), 3);

    // Answered yes: one save with the deletion.
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_EQ(callsMade(), QStringList{"setExtras"});
    EXPECT_TRUE(timeline.contains(QStringLiteral("call:setExtras[1:Atualizando Dados no Servidor]")));
    EXPECT_EQ(host.cacheNotices, QStringList{"ATRIBEXTRADIME"});
    EXPECT_EQ(storedExtras(), (QStringList{"CDCIDADE|Cidade", "DSSEGMENTO|Segmento"}));
    // Gone from the host's window at once, freed only once the host's code has run its course.
    ASSERT_FALSE(cubeWatch.isNull());
    EXPECT_EQ(cube->parent(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cubeWatch.isNull());
    EXPECT_FALSE(notCubeWatch.isNull());
    EXPECT_FALSE(otherWatch.isNull());
    EXPECT_FALSE(longSWatch.isNull());

    // The field typed loosely is stored in normal form, tied to its dimension.
    includeExtra(QStringLiteral("dt cadastro"), QStringLiteral("Cadastro"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "vdExtras", "vdExtras", "setExtras"}));
    EXPECT_EQ(storedExtras(), (QStringList{"CDCIDADE|Cidade", "DSSEGMENTO|Segmento", "DTCADASTRO|Cadastro"}));
    EXPECT_EQ(form->cdsExtras->ChangeCount(), 0);
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(ExtrasTest, EditingOnlyTheNameQueriesOnlyTheName)
{
    form->cdsExtras->First(); // CDCIDADE, "Cidade"
    form->sbtAlterar->Click();
    ASSERT_EQ(form->cdsExtras->State(), TDataSetState::dsEdit);
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Segmento"));
    forget();
    confirm();
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "vdExtras"}));
    EXPECT_EQ(messages(), QStringList{"Nome de atributo extra já cadastrado."});
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsEdit);

    // Typing back the values it had makes no clash query at all.
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Cidade"));
    forget();
    form->cdsExtrasBeforePost(form->cdsExtras);
    EXPECT_EQ(callsMade(), QStringList{"vdDimensao"});
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(ExtrasTest, AStoredAttributeAtRestIsOnlyCheckedAgainstTheStructure)
{
    form->cdsExtras->First(); // CDCIDADE, "Cidade"
    ASSERT_EQ(form->dbgExtras->SelectedField(), form->cdsExtrasCDATRIBEXTRDIME);
    forget();
    form->dbgExtras->SetSelectedIndex(1); // leaves the attribute column
    form->dbgExtras->SetSelectedIndex(0); // leaves the name column: nothing to ask
    form->dbgExtras->SetSelectedIndex(1);
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "vdDimensao"}));
    EXPECT_EQ(form->cdsExtras->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(form->cdsExtrasCDATRIBEXTRDIME->AsString(), QStringLiteral("CDCIDADE"));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_FALSE(BusyIndicator().shown);

    // At rest the ellipsis of the attribute column does nothing.
    form->dbgExtras->SetSelectedIndex(0);
    forget();
    form->dbgExtrasEditButtonClick(form->dbgExtras);
    EXPECT_TRUE(ui->shown.empty());
    EXPECT_EQ(recorder->total(), 0);
}

// An attribute change that did not reach the server stays, and goes before the list is loaded
// again for the next dimension; one the server refuses (another user removed the attribute) is
// taken back and the tab shows what the server holds.
TEST_F(ExtrasTest, AnUnsentChangeGoesBeforeTheNextLoadAndARefusedOneIsTakenBack)
{
    reachServer(false);
    form->cdsExtras->Last(); // DTCADASTRO
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_EQ(form->cdsExtras->ChangeCount(), 1);
    EXPECT_EQ(form->PendingChangeCount(), 1);
    reachServer(true);
    forget();
    goTo(QStringLiteral("00002")); // loads the extras on every row it passes
    EXPECT_EQ(callsMade().mid(0, 2), (QStringList{"setExtras", "GetExtras"}));
    EXPECT_EQ(storedExtras(), (QStringList{"CDCIDADE|Cidade", "DSSEGMENTO|Segmento"}));
    EXPECT_EQ(form->PendingChangeCount(), 0);

    goTo(QStringLiteral("00001"));
    removeExtrasOf(QStringLiteral("00001"));
    form->cdsExtras->First(); // CDCIDADE, as loaded before another user removed it
    form->sbtAlterar->Click();
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Município"));
    forget();
    confirm();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(serverFailureReport(QString())));
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "vdExtras", "setExtras", "GetExtras"}));
    EXPECT_EQ(form->cdsExtras->ChangeCount(), 0);
    EXPECT_TRUE(form->cdsExtras->IsEmpty());
}

// Two attribute changes in one delta, one refused (another user removed its attribute): only
// that one is taken back; the other is saved and the tab shows what the server holds.
TEST_F(ExtrasTest, ARefusalOfOneOfSeveralChangesTakesBackOnlyThatOne)
{
    reachServer(false);
    form->cdsExtras->Last(); // DTCADASTRO
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    ASSERT_EQ(form->cdsExtras->ChangeCount(), 1);
    reachServer(true);
    removeExtrasOf(QStringLiteral("00001"));
    storeExtra(QStringLiteral("00001"), QStringLiteral("CDCIDADE"), QStringLiteral("Cidade"));
    storeExtra(QStringLiteral("00001"), QStringLiteral("DSSEGMENTO"), QStringLiteral("Segmento"));
    form->cdsExtras->First(); // CDCIDADE
    form->sbtAlterar->Click();
    form->cdsExtrasDSATRIBEXTRDIME->SetText(QStringLiteral("Município"));
    forget();
    confirm();
    EXPECT_EQ(calls(QStringLiteral("setExtras")), 3);
    ASSERT_EQ(messages().size(), 1) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages()[0].startsWith(serverFailureReport(QString())));
    EXPECT_EQ(storedExtras(), (QStringList{"CDCIDADE|Município", "DSSEGMENTO|Segmento"}));
    EXPECT_EQ(host.cacheNotices, QStringList{"ATRIBEXTRADIME"});
    EXPECT_EQ(form->cdsExtras->ChangeCount(), 0);
    EXPECT_EQ(form->cdsExtras->RecordCount(), 2);
}
