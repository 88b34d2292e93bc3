#include "ScreenFixture.h"
#include "Services.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QPointer>
#include <QTest>

namespace {

class History : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
    }
    // The screen works as another user from its next call on.
    void actAs(const QString &user)
    {
        host.access = server.login(user, user);
        reachServer(true);
    }
    void alterName(const QString &code, const QString &name)
    {
        goTo(code);
        form->sbtAlterar->Click();
        type(form->cdsDadosNMITEMDIME, name);
        confirm();
    }
    // Opens the history of the current dimension (Ctrl+H) and answers the dialog with the row.
    void restoreRow(std::optional<int> row)
    {
        ui->choiceAnswers.push(row);
        form->frame()->activateWindow(); // a shortcut reaches only the active window
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->frame()));
        QTest::keyClick(form->dbgPadrao, Qt::Key_H, Qt::ControlModifier);
    }
    // "FIELD=Name" per stored extra attribute of the dimension, in field order.
    QStringList storedExtrasOf(const QString &code)
    {
        TClientDataSet ds;
        ds.SetData(CheckResultServ(
            server.connect("KZR01200.rdmDimensao")->AppServer().Call("GetExtras", {code})));
        QStringList extras;
        for (ds.First(); !ds.Eof(); ds.Next())
            extras << ds.FieldByName("CDATRIBEXTRDIME")->AsString() + "=" +
                          ds.FieldByName("DSATRIBEXTRDIME")->AsString();
        return extras;
    }
};

TEST_F(History, ListsEveryUsersChangesAndRestoresAnOlderVersionAsANewChange)
{
    ASSERT_TRUE(server.addUser("bia", "maintain", "bia") &&
                server.addUser("leo", "read-only", "leo"));
    include("12", "Clientes ativos", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    confirm();
    storeExtra("00012", "CDCIDADE", "Cidade");
    actAs("bia");
    alterName("00012", "Clientes VIP");
    removeExtrasOf("00012");
    storeExtra("00012", "DSSEGMENTO", "Segmento");
    goTo("00012");
    EXPECT_TRUE(form->sbtHistorico->Enabled());
    restoreRow(3); // right after Cidade was added, before bia's change

    ASSERT_TRUE(ui->lastChoiceList);
    const ChoiceList &list = *ui->lastChoiceList;
    ASSERT_EQ(list.rows.size(), 5);
    EXPECT_EQ(list.rows[2].mid(1), QStringList({"bia", "Alteração da dimensão",
                                                "Nome: \"Clientes ativos\" → \"Clientes VIP\""}));
    EXPECT_EQ(list.rows[1][2], "Exclusão do atributo extra CDCIDADE");
    EXPECT_EQ(list.rows[4][1], server.userName());
    EXPECT_TRUE(list.details[2].contains("<b>Clientes VIP</b>")) << list.details[2].toStdString();
    EXPECT_TRUE(list.actionEnabled);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("\n").toStdString();
    EXPECT_TRUE(
        storedDimensions().contains("00012|Clientes ativos|CLIENTE|CDCLIENTE|NMCLIENTE||S"));
    const QList<HistoryEntry> after = form->HistoryOf("00012");
    ASSERT_EQ(after.size(), 8);
    EXPECT_EQ(after[0].operation + after[0].record + after[0].user, "insert00012/CDCIDADEbia");
    EXPECT_EQ(after[1].operation + after[1].record, "modify00012");
    EXPECT_EQ(host.cacheNotices.last(), "ATRIBEXTRADIME,DIMENSAODIME"); // once saved, not before

    // A reader looks, and cannot restore.
    actAs("leo");
    goTo("00012");
    restoreRow(4);
    EXPECT_FALSE(ui->lastChoiceList->actionEnabled);
    EXPECT_EQ(form->HistoryOf("00012").size(), 8);
    form->sbtAlterar->Click();
    EXPECT_FALSE(form->sbtHistorico->Enabled()); // not while editing
}

TEST_F(History, ARestoreARuleNowRefusesSavesNothingAndSaysWhy)
{
    const auto run = [this](const char *sql) {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("app"));
        db.setDatabaseName(server.sqlitePath());
        ASSERT_TRUE(db.open() && QSqlQuery(db).exec(QString::fromLatin1(sql)));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("app"));
    };
    run("CREATE TABLE ANTIGA (CDANTIGA INTEGER, NMANTIGA VARCHAR(30), DSVELHO VARCHAR(30))");
    include("13", "Antigos", "ANTIGA", "CDANTIGA", "NMANTIGA");
    confirm();
    storeExtra("00013", "DSVELHO", "Velho");
    removeExtrasOf("00013");
    goTo("00013");
    form->sbtAlterar->Click();
    type(form->cdsDadosCDTABELADIME, "CLIENTE");
    type(form->cdsDadosDSPKDIME, "CDCLIENTE");
    type(form->cdsDadosDSITEMDIME, "NMCLIENTE");
    confirm();
    forget();
    // The version with the attribute: its column is gone, then the whole table.
    for (const char *change : {"ALTER TABLE ANTIGA DROP COLUMN DSVELHO", "DROP TABLE ANTIGA"}) {
        run(change);
        goTo("00013");
        restoreRow(2);
    }

    EXPECT_EQ(messages(), QStringList({"Campo \"DSVELHO\" inválido para a tabela \"ANTIGA\".",
                                       "Tabela \"ANTIGA\" inválida."}));
    EXPECT_FALSE(editing() || form->cdsExtras->isEditing());
    EXPECT_TRUE(storedDimensions().contains("00013|Antigos|CLIENTE|CDCLIENTE|NMCLIENTE||S"));
    EXPECT_EQ(form->HistoryOf("00013").size(), 4);
    EXPECT_EQ(calls("SetDimensao") + calls("setExtras") + calls("confirma"), 0);
}

// The screen takes no other table from a dimension with attributes: the restore lets them go
// first, and the version's come with its table.
TEST_F(History, AVersionWithAnotherTableComesBackWithItsOwnExtras)
{
    include("12", "Pessoas", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    confirm();
    storeExtra("00012", "CDCIDADE", "Cidade");
    storeExtra("00012", "DSSEGMENTO", "Segmento");
    removeExtrasOf("00012");
    goTo("00012");
    form->sbtAlterar->Click();
    type(form->cdsDadosCDTABELADIME, "CIDADE");
    type(form->cdsDadosDSPKDIME, "CDCIDADE");
    type(form->cdsDadosDSITEMDIME, "NMCIDADE");
    confirm();
    storeExtra("00012", "SGUF", "UF");
    storeExtra("00012", "CDREGIAO", "Região");
    forget();
    goTo("00012");
    const QPointer<QObject> cube = new TClientDataSet(host.main.get(), "CDSCUBOVENDAS");
    restoreRow(5); // right after Segmento was added

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cube.isNull()); // the attributes changed: the host rebuilds its cubes
    EXPECT_TRUE(messages().isEmpty()) << messages().join("\n").toStdString();
    EXPECT_TRUE(storedDimensions().contains("00012|Pessoas|CLIENTE|CDCLIENTE|NMCLIENTE||S"));
    EXPECT_EQ(storedExtrasOf("00012"), QStringList({"CDCIDADE=Cidade", "DSSEGMENTO=Segmento"}));
    EXPECT_EQ(calls("confirma"), 1);
}

// A clash the dimension's save does not meet (names swapped since) refuses the whole restore.
TEST_F(History, ARestoreRefusedByAnExtraLeavesTheDimensionAsItWas)
{
    include("12", "Pessoas", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    confirm();
    storeExtra("00012", "CDCIDADE", "Cidade");
    storeExtra("00012", "DSSEGMENTO", "Segmento");
    alterName("00012", "Clientes VIP");
    removeExtrasOf("00012");
    storeExtra("00012", "CDCIDADE", "Segmento");
    storeExtra("00012", "DSSEGMENTO", "Cidade");
    const QStringList dimensions = storedDimensions();
    const int changes = int(form->HistoryOf("00012").size());
    forget();
    goTo("00012");
    const QPointer<QObject> cube = new TClientDataSet(host.main.get(), "CDSCUBOVENDAS");
    restoreRow(5);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(cube.isNull()); // the rehearsal's saves of attributes were never real
    EXPECT_EQ(messages(), QStringList({"Nome de atributo extra já cadastrado."}));
    EXPECT_EQ(storedDimensions(), dimensions);
    EXPECT_EQ(storedExtrasOf("00012"), QStringList({"CDCIDADE=Segmento", "DSSEGMENTO=Cidade"}));
    EXPECT_EQ(form->HistoryOf("00012").size(), changes);
    EXPECT_EQ(calls("confirma"), 0);
}

// Changes waiting for the server are sent or kept, as the user says, before the history is
// read: a restore sends nothing but what its dialog chose.
TEST_F(History, ChangesThatWaitAreSentOrKeptBeforeTheHistoryIsRead)
{
    ASSERT_NO_FATAL_FAILURE(deleteUnsent("00003"));
    forget();
    ui->dialogAnswers.push(mrCancel);
    form->mnuHistoricoClick(nullptr);
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(form->cdsDados->ChangeCount(), 1);

    ui->dialogAnswers.push(mrYes);
    restoreRow(std::nullopt);
    EXPECT_EQ(callsMade(), QStringList({"SetDimensao", "getHistorico"}));
    EXPECT_FALSE(storedCodes().contains("00003"));
}

} // namespace
