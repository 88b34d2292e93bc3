#include "ScreenFixture.h"

#include "LoginBroadcast.h"
#include "OpsPage.h"
#include "Services.h"
#include "dimension/ProfileLine.h"
#include "members/MemberTreeModel.h"
#include "members/MembersTab.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QAbstractItemModelTester>
#include <QTest>
#include <QTreeView>

namespace {

// Tables of our own beside the sample's. CATEGORIA: key 3 twice, one blank name, 4 hanging
// from a 99 that is no member, and 7 > 8 > 7 going round. GRANDE: one chain 30,000 members
// deep whose parent is a text beside an integer key; compared as texts, which no index serves,
// the walk down the chain runs into the server's time limit.
const char *const OwnTables[] = {
    // As the server makes its own databases: a reader never holds up a writer.
    "PRAGMA journal_mode = WAL",
    "CREATE TABLE CATEGORIA (CDCATEGORIA INTEGER, NMCATEGORIA VARCHAR(30), CDPAI INTEGER)",
    "INSERT INTO CATEGORIA VALUES (1, 'Bebidas', NULL), (2, 'Sucos', 1), (3, 'Refrigerantes', 1), "
    "(3, 'Refrigerantes zero', 1), (4, 'Águas', 99), (5, '', 1), (7, 'Ciclo A', 8), "
    "(8, 'Ciclo B', 7)",
    "CREATE TABLE GRANDE (CDGRANDE INTEGER, NMGRANDE VARCHAR(30), CDPAI VARCHAR(10))",
    "INSERT INTO GRANDE WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
    "WHERE i < 30000) SELECT i, 'Membro ' || i, CAST(NULLIF(i - 1, 0) AS TEXT) FROM n",
};

const QString EmployeeWords = QStringLiteral("8 membros · chave única · 0 órfãos · profundidade 3");

} // namespace

// A real application database of someone else's making: mixed-case names, and
// Employee.ReportsTo pointing back at Employee.EmployeeId; with two tables of our own.
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
        addOwnTables(copy);
        // A short time limit, so that the profile of GRANDE is a slow answer that does come.
        startServer(QStringLiteral("sqlite:") + copy, {QStringLiteral("--statement-timeout"), QStringLiteral("2"),
                                                      QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:0")});
        openScreen();
        QObject::connect(line(), &ProfileLine::textShown, form,
                         [this](const QString &text) { timeline << QStringLiteral("perfil:") + text; });
        QObject::connect(line(), &ProfileLine::asked, form,
                         [this](const QString &table) { asked << table; });
    }

    static void addOwnTables(const QString &path)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("own"));
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery query(db);
            for (const char *sql : OwnTables)
                ASSERT_TRUE(query.exec(QString::fromUtf8(sql))) << query.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("own"));
    }

    ProfileLine *line() const { return form->lblPerfilDimensao; }
    // The line's words once the answer for the current dimension is in.
    QString settledProfile()
    {
        const bool settled = QTest::qWaitFor([this] {
            return !line()->text().isEmpty() && !line()->text().startsWith(QStringLiteral("Analisando"));
        }, 20000);
        EXPECT_TRUE(settled) << line()->text().toStdString();
        return line()->text();
    }
    void waitUntilAsked(const QString &table)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return asked.contains(table); }, 5000)) << table.toStdString();
    }
    // Dimensions stored through the screen: Employee's clean hierarchy (00001), the long chain
    // of GRANDE (00003).
    void storeEmployees()
    {
        include(QStringLiteral("1"), QStringLiteral("Funcionários"), QStringLiteral("Employee"),
                QStringLiteral("EmployeeId"), QStringLiteral("LastName"), QStringLiteral("ReportsTo"));
        confirm();
    }
    void storeLongChain()
    {
        include(QStringLiteral("3"), QStringLiteral("Cadeia longa"), QStringLiteral("Grande"),
                QStringLiteral("CdGrande"), QStringLiteral("NmGrande"), QStringLiteral("CdPai"));
        confirm();
    }
    QStringList profileTexts() const { return timeline.filter(QRegularExpression(QStringLiteral("^perfil:"))); }

    QStringList asked; // tables, in the order the line asked about them
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

TEST_F(ChinookTest, TheProfileLinePutsTheDataOfTheCurrentDimensionIntoWords)
{
    storeEmployees();
    include(QStringLiteral("2"), QStringLiteral("Categorias"), QStringLiteral("Categoria"),
            QStringLiteral("CdCategoria"), QStringLiteral("NmCategoria"), QStringLiteral("CdPai"));
    confirm();
    ASSERT_EQ(storedCodes(), (QStringList{"00001", "00002"}));

    goTo(QStringLiteral("00001"));
    EXPECT_EQ(settledProfile(), EmployeeWords);
    EXPECT_EQ(line()->tone(), ProfileLine::Tone::Normal);

    goTo(QStringLiteral("00002"));
    EXPECT_EQ(settledProfile(), QStringLiteral("8 membros · 1 chave repetida (ex.: 3) · 1 atributo principal vazio · "
                                               "1 órfão (ex.: 99) · 1 ciclo (ex.: 7 → 8 → 7) · profundidade 2"));
    EXPECT_EQ(line()->tone(), ProfileLine::Tone::Warning);
    EXPECT_NE(line()->palette().color(QPalette::WindowText), form->palette().color(QPalette::WindowText));

    // A new dimension has no data yet: the line empties at once and nothing is asked.
    asked.clear();
    form->sbtIncluir->Click();
    EXPECT_EQ(line()->text(), QString());
    type(form->cdsDadosCDTABELADIME, QStringLiteral("Employee"));
    QTest::qWait(400);
    EXPECT_TRUE(asked.isEmpty()) << asked.join(',').toStdString();
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click(); // and the list is reloaded, on its first dimension
    EXPECT_EQ(settledProfile(), EmployeeWords);
    EXPECT_EQ(messages().size(), 1) << messages().join('\n').toStdString(); // Cancel's question only
}

// The third tab, reached by a click, fills its tree a page at a time as branches open, marks
// what the cube trips over, opens the tree to what a search finds, and shows nothing for a
// dimension being inserted.
TEST_F(ChinookTest, TheMembersTabBrowsesTheCurrentDimensionAndOpensItToWhatItFinds)
{
    storeEmployees();
    include(QStringLiteral("2"), QStringLiteral("Categorias"), QStringLiteral("Categoria"),
            QStringLiteral("CdCategoria"), QStringLiteral("NmCategoria"), QStringLiteral("CdPai"));
    confirm();
    goTo(QStringLiteral("00001"));
    QTabBar *tabs = form->pgcPadrao->tabBar();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ((QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
              (QStringList{"Dimensão", "Atributos Extras", "Membros"}));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    ASSERT_EQ(form->pgcPadrao->currentIndex(), 2);

    QTreeView *tree = form->tabMembros->tree();
    QAbstractItemModel *model = tree->model();
    std::optional<QAbstractItemModelTester> tester;
    tester.emplace(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto rowsUnder = [&](const QModelIndex &at, int rows) {
        return QTest::qWaitFor([&] { return model->rowCount(at) == rows; }, 10000);
    };
    ASSERT_TRUE(rowsUnder({}, 1));
    const QModelIndex adams = model->index(0, 0);
    EXPECT_EQ(model->index(0, 1).data().toString(), "Adams");
    EXPECT_EQ(model->index(0, 2).data().toInt(), 2);
    tree->expand(adams);
    ASSERT_TRUE(rowsUnder(adams, 2));
    EXPECT_EQ(model->index(1, 1, adams).data().toString(), "Mitchell");

    QTest::keyClicks(form->tabMembros->searchBox(), QStringLiteral("pea"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->currentIndex().isValid(); }, 10000));
    EXPECT_EQ(tree->currentIndex().siblingAtColumn(1).data().toString(), "Peacock");
    EXPECT_TRUE(tree->isExpanded(tree->currentIndex().parent()));
    EXPECT_EQ(form->tabMembros->line()->text(), "1 membro encontrado.");

    // Another dimension: the orphan and the repeated key are marked, in words.
    goTo(QStringLiteral("00002"));
    ASSERT_TRUE(rowsUnder({}, 2));
    EXPECT_EQ(model->index(1, 0).data(Qt::ToolTipRole).toString(),
              MemberTreeModel::situationText("O"));
    EXPECT_FALSE(model->index(1, 0).data(Qt::DecorationRole).isNull());
    tree->expand(model->index(0, 0));
    ASSERT_TRUE(rowsUnder(model->index(0, 0), 4));
    EXPECT_TRUE(model->index(1, 0, model->index(0, 0))
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith("Chave repetida"));

    // A flat dimension of 3,503 tracks: a page of 200, the next one when the view reaches the end.
    tester.reset(); // it asks for more itself at every change
    include(QStringLiteral("3"), QStringLiteral("Faixas"), QStringLiteral("Track"),
            QStringLiteral("TrackId"), QStringLiteral("Name"));
    confirm();
    goTo(QStringLiteral("00003"));
    ASSERT_TRUE(rowsUnder({}, 200));
    EXPECT_FALSE(model->hasChildren(model->index(0, 0)));
    // Shown and not scrolled, the list asks for nothing more; hidden, nothing at all.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree));
    QCoreApplication::processEvents();
    auto *members = static_cast<MemberTreeModel *>(model);
    EXPECT_TRUE(members->hasMorePages({}));
    form->mnuDimensao->Click();
    EXPECT_FALSE(members->hasMorePages({}));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    tree->scrollToBottom();
    EXPECT_TRUE(rowsUnder({}, 400));

    form->sbtIncluir->Click();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(form->tabMembros->line()->text(),
              "Dimensão em inclusão: os membros aparecem depois de gravada.");
    ui->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();
    EXPECT_TRUE(rowsUnder({}, 1)); // the list reloaded, on its first dimension

    // A new login drops the tree and asks again, in the new session (one the server refuses).
    host.access.sessionToken = QStringLiteral("encerrada");
    LoginBroadcast::instance().announce();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->tabMembros->line()->text().startsWith("Membros indisponíveis"); }, 10000));
}

TEST_F(ChinookTest, ARowChangeDropsTheProfileStillComingForTheRowLeft)
{
    storeEmployees();
    storeLongChain();
    goTo(QStringLiteral("00003"));
    waitUntilAsked(QStringLiteral("GRANDE"));
    timeline.clear();

    goTo(QStringLiteral("00001"));
    EXPECT_EQ(settledProfile(), EmployeeWords);
    // GRANDE's answer (the time limit) came back meanwhile and was never shown.
    EXPECT_EQ(profileTexts(), (QStringList{QStringLiteral("perfil:Analisando os dados de EMPLOYEE…"),
                                           QStringLiteral("perfil:") + EmployeeWords}));
}

// A delete whose save did not go moves the list to the next dimension without a scroll event:
// the line describes that one, never the dimension deleted.
TEST_F(ChinookTest, TheProfileLineFollowsTheRowAnUnsentDeleteLeavesCurrent)
{
    storeEmployees();
    include(QStringLiteral("2"), QStringLiteral("Faixas"), QStringLiteral("Track"),
            QStringLiteral("TrackId"), QStringLiteral("Name"));
    confirm();
    goTo(QStringLiteral("00001"));
    EXPECT_EQ(settledProfile(), EmployeeWords);
    ASSERT_NO_FATAL_FAILURE(deleteUnsent(QStringLiteral("00001")));
    ASSERT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00002"));
    waitUntilAsked(QStringLiteral("TRACK"));
    const QString words = settledProfile();
    EXPECT_TRUE(words.contains(QStringLiteral("membros")) && words != EmployeeWords) << words.toStdString();
}

TEST_F(ChinookTest, APostDoesNotWaitForTheProfileUnderWayWhoseFailureStaysOnTheLine)
{
    storeLongChain();
    waitUntilAsked(QStringLiteral("GRANDE"));

    form->sbtAlterar->Click();
    type(form->cdsDadosNMITEMDIME, QStringLiteral("Cadeia muito longa"));
    confirm();
    // Had the save waited for the profile, its answer would be queued by now.
    QCoreApplication::processEvents();
    EXPECT_EQ(line()->text(), QStringLiteral("Analisando os dados de GRANDE…"));
    EXPECT_EQ(storedDimensions().value(0).section('|', 1, 1), QStringLiteral("Cadeia muito longa"));

    // The time limit is no dialog: the line says it, quietly. The list the save brought back
    // holds the same dimension, whose question was still under way: it is not asked again.
    EXPECT_EQ(settledProfile(),
              QStringLiteral("Perfil indisponível: Análise interrompida após 2 s. Se a coluna CDPAI da "
                             "tabela GRANDE não tiver índice, um índice a tornaria mais rápida "
                             "(CREATE INDEX ... ON GRANDE (CDPAI))."));
    EXPECT_EQ(asked, QStringList{"GRANDE"});
    EXPECT_EQ(line()->tone(), ProfileLine::Tone::Neutral);
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(ChinookTest, ClosingWhileAProfileIsUnderWayLeavesNothingBehind)
{
    storeLongChain();
    waitUntilAsked(QStringLiteral("GRANDE"));
    ASSERT_TRUE(form->Close());
    EXPECT_TRUE(QTest::qWaitFor([this] { return form.isNull(); }, 5000));
    // Once the server has cut the question off, its answer, had anyone been left to take it,
    // has come.
    const OpsPage ops(server);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ops.metric(QStringLiteral("kzr_statement_deadlines_total")) >= 1; }, 10000));
    EXPECT_EQ(storedCodes(), QStringList{"00003"});
}
