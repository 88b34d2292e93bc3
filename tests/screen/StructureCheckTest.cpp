#include "ScreenFixture.h"

#include "DataPacket.h"
#include "ServerFailure.h"
#include "RecordingProxy.h"
#include "Services.h"

// Also notes whether the busy indicator still showed when each message came up.
class BusyNotingInteraction : public TimelineInteraction
{
public:
    using TimelineInteraction::TimelineInteraction;
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        busyAtMessage << BusyIndicator().shown;
        return TimelineInteraction::messageDialog(text, type, buttons);
    }
    QList<bool> busyAtMessage;
};

// The table and its fields against the server's database structure.
class StructureCheckTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto interaction = std::make_unique<BusyNotingInteraction>(&timeline);
        noting = interaction.get();
        ui = noting;
        Interaction::install(std::move(interaction));
        startServer();
        openScreen();
    }
    BusyNotingInteraction *noting = nullptr;
    void edit(const QString &code)
    {
        goTo(code);
        form->sbtAlterar->Click();
        ASSERT_EQ(form->cdsDados->State(), TDataSetState::dsEdit);
    }
    // A dimension stored with names exactly as given, bypassing the screen.
    void storeRaw(const QStringList &values)
    {
        auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
        TClientDataSet ds;
        ds.SetData(CheckResultServ(net->AppServer().Call(QStringLiteral("getDimensao"), {QStringLiteral("99999"), QString()})));
        ds.Append();
        const char *names[] = {"NRSEQUEDIME", "NMITEMDIME", "CDTABELADIME", "DSPKDIME", "DSITEMDIME", "DSPKDIME2", "IDDIMENSAODW"};
        for (int i = 0; i < values.size(); ++i)
            ds.FieldByName(QString::fromLatin1(names[i]))->SetAsString(values[i]);
        ds.Post();
        CheckResultServ(net->AppServer().Call(QStringLiteral("SetDimensao"), {ds.Delta()}));
        form->sbtVerificar->Click();
    }
};

TEST_F(StructureCheckTest, ATableChangeIsRefusedWhileExtrasExist)
{
    edit(QStringLiteral("00001"));
    form->dbgPadrao->SetSelectedIndex(1);
    type(form->cdsDadosCDTABELADIME, QStringLiteral("cidade"));
    type(form->cdsDadosDSPKDIME, QStringLiteral("CDCIDADE"));
    type(form->cdsDadosDSITEMDIME, QStringLiteral("NMCIDADE"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:GetExtras[6:Validando Estrutura de Dados no Servidor]",
                                     "msg:Não é permitido alterar o campo tabela dimensão, pois existem atributos extras cadastrados para essa tabela."}));
    EXPECT_EQ(noting->busyAtMessage, QList<bool>{false}) << "the indicator goes once the extras are loaded";
    EXPECT_EQ(form->dbgPadrao->SelectedIndex(), 1) << "this refusal leaves the focus where it was";
    EXPECT_EQ(form->cdsExtras->RecordCount(), 3);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsEdit);
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(StructureCheckTest, ATableChangeWithoutExtrasIsAcceptedInNormalForm)
{
    edit(QStringLiteral("00005"));
    type(form->cdsDadosCDTABELADIME, QStringLiteral("cli ente"));
    type(form->cdsDadosDSPKDIME, QStringLiteral("cd cliente"));
    type(form->cdsDadosDSITEMDIME, QStringLiteral("nm cliente"));
    type(form->cdsDadosDSPKDIME2, QString());
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"GetExtras", "vdDimensao", "SetDimensao"}));
    for (const QString &call : timeline.filter(QStringLiteral("call:")))
        EXPECT_FALSE(call.endsWith(QStringLiteral("[]"))) << "each query shows the indicator: " << call.toStdString();
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00005|Vendedores|CLIENTE|CDCLIENTE|NMCLIENTE||S")));
}

TEST_F(StructureCheckTest, RepeatedFieldsAreRefusedInTheirOrder)
{
    include(QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("CLIENTE"),
            QStringLiteral("CDCLIENTE"), QStringLiteral("cd cliente"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:DSITEMDIME",
                                     "msg:O campo \"Atributo Principal\" não deve ter o mesmo conteúdo do campo \"Chave Primária\""}));
    EXPECT_EQ(form->cdsDadosDSITEMDIME->AsString(), QStringLiteral("CDCLIENTE"));

    type(form->cdsDadosDSITEMDIME, QStringLiteral("NMCLIENTE"));
    type(form->cdsDadosDSPKDIME2, QStringLiteral("nmcliente"));
    forget();
    confirm();
    EXPECT_EQ(timeline, (QStringList{"call:getDimensao[6:Validando Dados no Servidor]", "focus:DSPKDIME2",
                                     "msg:O campo \"Auto Relacionamento\" não deve ter o mesmo conteúdo do campo \"Atributo Principal\""}));
    EXPECT_FALSE(BusyIndicator().shown);
    EXPECT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
}

TEST_F(StructureCheckTest, NamesLoadedUnchangedAreComparedAndSentAsTheyAre)
{
    storeRaw({"00020", "Minúsculas", "cliente", "cdcliente", "nmcliente", "", "S"});
    edit(QStringLiteral("00020"));
    // The edited main attribute becomes CDCLIENTE, which is not the loaded "cdcliente".
    type(form->cdsDadosDSITEMDIME, QStringLiteral("cdcliente"));
    forget();
    confirm();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(callsMade(), (QStringList{"vdDimensao", "SetDimensao"}));
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00020|Minúsculas|cliente|cdcliente|CDCLIENTE||S")));
}

TEST_F(StructureCheckTest, TheServersVerdictBecomesItsMessage)
{
    include(QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("nada aqui"),
            QStringLiteral("A"), QStringLiteral("B"));
    confirm();
    EXPECT_EQ(messages().value(0), QStringLiteral("Tabela \"NADAAQUI\" inválida."));

    // An accented letter keeps its case.
    type(form->cdsDadosCDTABELADIME, QStringLiteral("cliente"));
    type(form->cdsDadosDSPKDIME, QStringLiteral("cdcliente"));
    type(form->cdsDadosDSITEMDIME, QStringLiteral("nó me"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"NóME\" inválido para a tabela \"CLIENTE\"."});

    // A picture column may not constitute a dimension.
    type(form->cdsDadosDSITEMDIME, QStringLiteral("imfoto"));
    ui->clear();
    confirm();
    EXPECT_EQ(messages(), QStringList{"Campo \"IMFOTO\" é de tipo não permitido para constituir uma dimensão."});
    EXPECT_FALSE(BusyIndicator().shown);
}

TEST_F(StructureCheckTest, LeavingAFieldColumnChecksTheStructureOnlyWhenThereIsSomethingToCheck)
{
    // Nothing being edited: no check.
    form->dbgPadrao->SetSelectedIndex(3);
    form->dbgPadrao->SetSelectedIndex(4);
    EXPECT_EQ(recorder->total(), 0);

    form->sbtIncluir->Click();
    form->dbgPadrao->SetSelectedIndex(4);
    type(form->cdsDadosDSPKDIME, QStringLiteral("cdcliente"));
    form->dbgPadrao->SetSelectedIndex(5); // no table yet: nothing examined
    EXPECT_EQ(recorder->total(), 0);

    form->dbgPadrao->SetSelectedIndex(3);
    type(form->cdsDadosCDTABELADIME, QStringLiteral("cliente"));
    forget();
    form->dbgPadrao->SetSelectedIndex(4);
    EXPECT_EQ(callsMade(), QStringList{"vdDimensao"});
    EXPECT_EQ(form->cdsDadosCDTABELADIME->AsString(), QStringLiteral("CLIENTE"));
    EXPECT_EQ(form->cdsDadosDSPKDIME->AsString(), QStringLiteral("CDCLIENTE"));
}

// How replies are read, for the reply forms the server does not produce on its own.
TEST_F(StructureCheckTest, RepliesAreReadByTheirForm)
{
    auto refusal = [this](const Variant &reply) {
        ui->clear();
        EXPECT_THROW(form->CheckOleContents(reply), EAbort);
        return messages().value(0);
    };
    EXPECT_EQ(refusal(VarArrayOf({QStringLiteral("INV_CAMPO NOME.CLIENTE")})),
              QStringLiteral("Campo \" NOME\" inválido para a tabela \"CLIENTE\"."));
    EXPECT_EQ(refusal(VarArrayOf({QStringLiteral("INV_CAMPOA.B.C")})),
              QStringLiteral("Campo \"A\" inválido para a tabela \"B.C\"."));
    EXPECT_EQ(refusal(VarArrayOf({QStringLiteral("INV_CAMPOSEMPONTO")})),
              QStringLiteral("Campo \"\" inválido para a tabela \"SEMPONTO\"."));
    EXPECT_EQ(refusal(VarArrayOf({QStringLiteral("INV_TABELA")})), QStringLiteral("Tabela \"\" inválida."));
    EXPECT_EQ(refusal(VarArrayOf({QStringLiteral("NO_DIMEX %s"), 1})),
              QStringLiteral("Campo \"X %s\" é de tipo não permitido para constituir uma dimensão."));

    ui->clear();
    const Variant dataPacket = packet::toVariant(packet::Packet{});
    EXPECT_EQ(form->CheckOleContents(dataPacket), dataPacket);
    EXPECT_TRUE(VarIsEmpty(form->CheckOleContents(Variant())));
    EXPECT_TRUE(VarIsNull(form->CheckOleContents(Variant::Null())));
    EXPECT_TRUE(VarIsEmpty(form->CheckOleContents(VarArrayOf({QStringLiteral("inv_tabelaX")}))));
    const Variant numbers = VarArrayOf({1, QStringLiteral("INV_TABELA")});
    EXPECT_EQ(form->CheckOleContents(numbers), numbers);
    EXPECT_EQ(form->CheckOleContents(Variant(QStringLiteral("INV_TABELA"))), Variant(QStringLiteral("INV_TABELA")));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_THROW(form->CheckOleContents(server_failure::make(QStringLiteral("falhou"))), EServerFailure);
}

// What travels to the server: the name list is built fresh for every call, with a third name
// only when the self-relationship is not the empty text (blanks only count as a name here).
TEST_F(StructureCheckTest, TheNameListHoldsTwoOrThreeNamesAsTheyStand)
{
    RecordingProxy proxy(server.host(), server.port());
    proxy.start();
    host.port = proxy.port();
    form->netDimensao->SetConnected(false);
    form->netDimensao->SetConnected(true);

    include(QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("cliente"),
            QStringLiteral("cdcliente"), QStringLiteral("nmcliente"));
    confirm();
    form->sbtAlterar->Click(); // the list is back on its first row: 00001 Clientes
    // Blanks only, as older stored data may hold them (typed blanks are dropped on leaving).
    form->cdsDadosDSPKDIME2->SetAsString(QStringLiteral("   "));
    confirm();

    const QList<wire::Request> sent = proxy.requests(QStringLiteral("vdDimensao"));
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].args[0], Variant(QStringLiteral("CLIENTE")));
    EXPECT_EQ(sent[0].args[1], VarArrayOf({QStringLiteral("CDCLIENTE"), QStringLiteral("NMCLIENTE")}));
    EXPECT_EQ(sent[1].args[1], VarArrayOf({QStringLiteral("CDCLIENTE"), QStringLiteral("NMCLIENTE"), QStringLiteral("   ")}));
    // Each save carries exactly its one change.
    const QList<wire::Request> saves = proxy.requests(QStringLiteral("SetDimensao"));
    ASSERT_EQ(saves.size(), 2);
    const packet::Packet insert = packet::fromVariant(saves[0].args[0]);
    ASSERT_EQ(insert.changes.size(), 1);
    EXPECT_EQ(insert.changes[0].op, packet::ChangeOp::Insert);
    const packet::Packet modify = packet::fromVariant(saves[1].args[0]);
    ASSERT_EQ(modify.changes.size(), 1);
    EXPECT_EQ(modify.changes[0].op, packet::ChangeOp::Modify);
}
