// The data profile of a dimension (rdmAnalise.getPerfil), on SQLite and PostgreSQL alike: the
// same answer from a table made to hold every kind of problem, from the clean Chinook
// hierarchy, and a time limit that frees the worker.
#include "Database.h"
#include "DimensionProfiler.h"
#include "MemberPages.h"
#include "MethodFailure.h"
#include "QueryDeadline.h"
#include "StorageFixture.h"
#include "Transaction.h"

#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <thread>

namespace {

using Measures = QMap<QString, QStringList>; // measure -> its values in order ("null" for null)

Measures measuresOf(const Variant &reply)
{
    Measures result;
    const packet::Packet p = TestClient::packetOf(reply);
    EXPECT_EQ(p.fields.size(), 2);
    for (const packet::Row &row : p.rows)
        result[row.value(0).value_or("?")] << row.value(1).value_or("null");
    return result;
}

// Members 1 > 2 > 3 > 4, key 3 and key 7 held twice, one row without a key, two blank main
// attributes, four rows whose parent (97, 98, 98, 99) is no member, the cycle 10 > 11 > 12 > 10
// with 13 below it, and 20 its own parent. The parent is kept twice: as an integer, and as a
// text, which differs in type from the key.
const QStringList MadeTable = {
    "CREATE TABLE membro (cdmembro INTEGER, nmmembro VARCHAR(30), cdpai INTEGER, "
    "cdpaitexto VARCHAR(10))",
    "INSERT INTO membro VALUES (1, 'Raiz', NULL, NULL), (2, 'Filho', 1, '1'), "
    "(3, 'Neto', 2, '2'), (3, 'Neto repetido', 2, '2'), (4, '  ', 3, '3'), "
    "(5, NULL, 99, '99'), (6, 'Órfão', 98, '98'), (7, 'Órfão 2', 98, '98'), "
    "(7, 'Órfão 3', 97, '97'), (NULL, 'Sem chave', 1, '1'), (10, 'A', 11, '11'), "
    "(11, 'B', 12, '12'), (12, 'C', 10, '10'), (13, 'D', 10, '10'), (20, 'E', 20, '20')",
};

class Profile : public StorageFixture
{
protected:
    Variant perfil(const QString &table, const QString &key, const QString &attribute,
                   const QString &parent)
    {
        if (!analise) analise = server.connect("KZR01200.rdmAnalise");
        return analise->AppServer().Call("getPerfil", {table, key, attribute, parent});
    }

    // A member page or search as lines of values ("<null>" for null), or the failure's text.
    QStringList members(const QString &method, const QList<RemoteArg> &args)
    {
        if (!analise) analise = server.connect("KZR01200.rdmAnalise");
        const Variant reply = analise->AppServer().Call(method, args);
        const QString failure = TestClient::failureOf(reply);
        if (!failure.isEmpty()) return {failure};
        if (reply.kind() == Variant::Kind::Array) return {reply.element(0).toString()};
        return lines(TestClient::packetOf(reply));
    }

    std::unique_ptr<TNetConnection> analise;
};

TEST_P(Profile, FindsEveryKindOfProblemTheSameWayOnBothSystems)
{
    ASSERT_EQ(executeDirectly(MadeTable), "");
    const Measures common = {
        {"LINHAS", {"15"}},
        {"CHAVES_DISTINTAS", {"12"}},
        {"CHAVES_NULAS", {"1"}},
        {"CHAVES_REPETIDAS", {"2"}},
        {"EXEMPLO_CHAVE_REPETIDA", {"3", "7"}},
        {"ATRIBUTOS_VAZIOS", {"2"}},
    };
    const Measures hierarchy = {
        {"ORFAOS", {"4"}},       {"EXEMPLO_ORFAO", {"97", "98", "99"}},
        {"CICLOS", {"2"}},       {"CICLO", {"10", "11", "12", "10"}},
        {"PROFUNDIDADE", {"4"}},
    };
    struct Case
    {
        const char *parent;
        const char *typeDiffers;
    };
    for (const Case &c : {Case{"CDPAI", "N"}, Case{"cdpaitexto", "S"}}) {
        Measures got = measuresOf(perfil("MEMBRO", "CDMEMBRO", "NMMEMBRO", c.parent));
        EXPECT_EQ(got.take("TIPO_PAI_DIFERENTE"), QStringList{c.typeDiffers}) << c.parent;
        EXPECT_EQ(got.take("TIPO_CHAVE").value(0).toUpper(), "INTEGER");
        EXPECT_FALSE(got.take("TIPO_PAI").value(0).isEmpty());
        Measures expected = common;
        expected.insert(hierarchy);
        EXPECT_EQ(got, expected) << c.parent;
    }

    // Flat: no hierarchy measures, and every member on the one level.
    Measures flat = measuresOf(perfil("membro", "cdmembro", "nmmembro", ""));
    flat.remove("TIPO_CHAVE");
    Measures expected = common;
    expected.insert({{"PROFUNDIDADE", {"1"}},
                     {"ORFAOS", {"null"}},
                     {"CICLOS", {"null"}},
                     {"TIPO_PAI", {"null"}},
                     {"TIPO_PAI_DIFERENTE", {"null"}}});
    EXPECT_EQ(flat, expected);
}

// Pages of the made table by level, in the key's numeric order, counted in keys (both rows of a
// repeated key on one page); a page that ends on the last child leaves the next one empty; a
// search finds its way up through a cycle without going round it.
TEST_P(Profile, MembersComePagedWithTheirProblemsMarked)
{
    ASSERT_EQ(executeDirectly(MadeTable), "");
    const Variant null = Variant::Null();
    struct Case
    {
        QString method, parent;
        Variant from, after;
        int limit;
        QStringList expected;
    };
    const QVector<Case> cases = {
        {"getMembros", "CDPAI", null, null, 2, {"1|Raiz|<null>|1|", "5|<null>|99|0|O"}},
        {"getMembros",
         "CDPAI",
         null,
         "5",
         2,
         {"6|Órfão|98|0|O", "7|Órfão 2|98|0|R", "7|Órfão 3|97|0|R"}},
        {"getMembros", "CDPAI", null, "7", 2, {}},
        {"getMembros", "cdpaitexto", null, "5", 1, {"6|Órfão|98|0|O"}},
        {"getMembros", "CDPAI", "2", null, 5, {"3|Neto|2|1|R", "3|Neto repetido|2|1|R"}},
        {"getMembros", "CDPAI", "10", null, 2, {"12|C|10|1|C", "13|D|10|0|"}},
        {"getMembros", "cdpaitexto", "10", "13", 2, {}},
        {"getMembros", "cdpaitexto", "20", null, 2, {"20|E|20|1|C"}},
        {"getMembros", "CDPAI", "x", null, 2, {}},
        {"getMembros", "", null, "7", 3, {"10|A|<null>|0|", "11|B|<null>|0|", "12|C|<null>|0|"}},
        {"getMembros",
         "",
         "1",
         null,
         3,
         {"Uma dimensão sem campo pai não tem membros filhos: "
          "peça a página sem membro pai (nulo)."}},
        {"procuraMembros", "CDPAI", "c", {}, 5, {R"(12|C|10|["11","10","12"])"}},
        {"procuraMembros",
         "CDPAI",
         "1",
         {},
         3,
         {R"(1|Raiz|<null>|["1"])", R"(10|A|11|["12","11","10"])", R"(11|B|12|["10","12","11"])"}},
        {"procuraMembros",
         "cdpaitexto",
         "NE",
         {},
         5,
         {R"(3|Neto|2|["1","2","3"])", R"(3|Neto repetido|2|["1","2","3"])"}},
        {"procuraMembros", "CDPAI", "Órf", {}, 2, {R"(6|Órfão|98|["6"])", R"(7|Órfão 2|98|["7"])"}},
        {"procuraMembros", "CDPAI", "órf", {}, 2, {}},
        {"procuraMembros", "CDPAI", "_%", {}, 2, {}},
    };
    for (const Case &c : cases) {
        QList<RemoteArg> args{"MEMBRO", "CDMEMBRO", "NMMEMBRO", c.parent, c.from};
        if (c.method == "getMembros") args << c.after;
        args << Variant(c.limit);
        EXPECT_EQ(members(c.method, args), c.expected)
            << c.method.toStdString() << " " << c.parent.toStdString() << " "
            << c.from.toString().toStdString() << " after " << c.after.toString().toStdString();
    }
    // The same checks of names as the profile's, and the page's own bounds.
    EXPECT_EQ(members("getMembros", {"NADA", "CDMEMBRO", "NMMEMBRO", "", null, null, Variant(1)}),
              QStringList{"INV_TABELANADA"});
    EXPECT_EQ(members("procuraMembros", {"MEMBRO", "CDMEMBRO", "NMX", "", "a", Variant(1)}),
              QStringList{"INV_CAMPONMX.MEMBRO"});
    for (const Variant &wrong : {Variant(0), Variant(1001), Variant("10")})
        EXPECT_THROW(
            members("getMembros", {"MEMBRO", "CDMEMBRO", "NMMEMBRO", "", null, null, wrong}),
            EConnectionError);
    EXPECT_THROW(members("getMembros",
                         {"MEMBRO", "CDMEMBRO", "NMMEMBRO", "CDPAI", Variant(1), null, Variant(1)}),
                 EConnectionError);
}

// Each page follows the catalogue as it is at that moment, whatever the pages before it found:
// on PostgreSQL a page built on the names of the last look-up counts only when the look-up
// sent with it finds them still.
TEST_P(Profile, AMemberPageFollowsAChangeOfStructureAtOnce)
{
    ASSERT_EQ(executeDirectly(MadeTable), "");
    const Variant null = Variant::Null();
    const auto children = [&](const QString &parent, const QString &of) {
        return members("getMembros",
                       {"MEMBRO", "CDMEMBRO", "NMMEMBRO", parent, of, null, Variant(10)});
    };
    const QStringList grandchildren{"3|Neto|2|1|R", "3|Neto repetido|2|1|R"};
    EXPECT_EQ(children("CDPAI", "2"), grandchildren);
    EXPECT_EQ(children("CDPAI", "2"), grandchildren);
    // The parent column goes: the names are judged again.
    ASSERT_EQ(executeDirectly({"ALTER TABLE membro DROP COLUMN cdpai"}), "");
    EXPECT_EQ(children("CDPAI", "2"), QStringList{"INV_CAMPOCDPAI.MEMBRO"});
    EXPECT_EQ(children("CDPAITEXTO", "2"), grandchildren);
    // It comes back as a text, which is compared with the key as text.
    ASSERT_EQ(executeDirectly({"ALTER TABLE membro ADD COLUMN cdpai VARCHAR(10)",
                               "UPDATE membro SET cdpai = cdpaitexto"}),
              "");
    EXPECT_EQ(children("CDPAI", "2"), grandchildren);
    EXPECT_EQ(children("CDPAI", "x"), QStringList());
    if (isPostgres()) {
        // A table spelt exactly as asked now wins over the one found before.
        ASSERT_EQ(executeDirectly({"CREATE TABLE \"MEMBRO\" (\"CDMEMBRO\" INTEGER, "
                                   "\"NMMEMBRO\" VARCHAR(30), \"CDPAI\" INTEGER)",
                                   "INSERT INTO \"MEMBRO\" VALUES (50, 'Novo', 2)"}),
                  "");
        EXPECT_EQ(children("CDPAI", "2"), QStringList{"50|Novo|2|0|O"});
        ASSERT_EQ(executeDirectly({"DROP TABLE \"MEMBRO\""}), "");
        EXPECT_EQ(children("CDPAI", "2"), grandchildren);
    }
    ASSERT_EQ(executeDirectly({"DROP TABLE membro"}), "");
    EXPECT_EQ(children("CDPAI", "2"), QStringList{"INV_TABELAMEMBRO"});
}

TEST_P(Profile, NamesAreJudgedAgainstTheCatalogueBeforeAnyDataIsRead)
{
    ASSERT_EQ(executeDirectly(MadeTable), "");
    struct Case
    {
        QString table, key, attribute, parent, answer;
    };
    const QVector<Case> cases = {
        {"NADA", "CDMEMBRO", "NMMEMBRO", "", "INV_TABELANADA"},
        {"MEMBRO", "CDX", "NMMEMBRO", "", "INV_CAMPOCDX.MEMBRO"},
        {"MEMBRO", "CDMEMBRO", "NMMEMBRO", "CDAVO", "INV_CAMPOCDAVO.MEMBRO"},
        {"MEMBRO\"; DROP TABLE membro; --", "CDMEMBRO", "NMMEMBRO", "",
         "INV_TABELAMEMBRO\"; DROP TABLE membro; --"},
        {"MEMBRO", "CDMEMBRO\" FROM membro; --", "NMMEMBRO", "",
         "INV_CAMPOCDMEMBRO\" FROM membro; --.MEMBRO"},
    };
    for (const Case &c : cases) {
        const Variant reply = perfil(c.table, c.key, c.attribute, c.parent);
        ASSERT_EQ(reply.kind(), Variant::Kind::Array) << c.answer;
        EXPECT_EQ(reply.element(0).toString(), c.answer);
    }
    EXPECT_TRUE(
        TestClient::failureOf(perfil("MEMBRO", " ", "NMMEMBRO", "")).contains("campo chave"));
    EXPECT_EQ(measuresOf(perfil("MEMBRO", "CDMEMBRO", "NMMEMBRO", "")).value("LINHAS"),
              QStringList{"15"}); // the table is still there
    EXPECT_THROW(perfil("MEMBRO", "CDMEMBRO", "NMMEMBRO", QString(31, 'X')), EConnectionError);
}

TEST_P(Profile, TheChinookEmployeeHierarchyIsClean)
{
    const QString dir = KZR_CHINOOK_DIR;
    QString table = "Employee", key = "EmployeeId", attribute = "LastName", parent = "ReportsTo";
    if (isPostgres()) {
        QFile script(dir + "/Chinook_PostgreSql.sql");
        if (!script.open(QIODevice::ReadOnly))
            GTEST_SKIP() << "the Chinook sample database is not in " << dir.toStdString();
        // Only the employee table, as the sample's own script creates and fills it.
        const QString sql = QString::fromUtf8(script.readAll());
        QStringList statements;
        for (const char *start : {"CREATE TABLE employee", "INSERT INTO employee "}) {
            const qsizetype from = sql.indexOf(start);
            ASSERT_GE(from, 0) << start;
            statements << sql.mid(from, sql.indexOf(";\n", from) - from);
        }
        ASSERT_EQ(executeDirectly(statements), "");
        table = "EMPLOYEE", key = "EMPLOYEE_ID", attribute = "LAST_NAME", parent = "REPORTS_TO";
    } else {
        const QString original = dir + "/Chinook_Sqlite.sqlite";
        if (!QFile::exists(original))
            GTEST_SKIP() << "the Chinook sample database is not in " << dir.toStdString();
        const QString copy = server.tempPath("Chinook.sqlite");
        ASSERT_TRUE(QFile::copy(original, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(server.start("sqlite:" + copy)) << server.error().toStdString();
    }
    const Measures got = measuresOf(perfil(table, key, attribute, parent));
    EXPECT_EQ(got.value("LINHAS"), QStringList{"8"});
    EXPECT_EQ(got.value("CHAVES_DISTINTAS"), QStringList{"8"});
    for (const char *none :
         {"CHAVES_NULAS", "CHAVES_REPETIDAS", "ATRIBUTOS_VAZIOS", "ORFAOS", "CICLOS"})
        EXPECT_EQ(got.value(none), QStringList{"0"}) << none;
    EXPECT_EQ(got.value("PROFUNDIDADE"), QStringList{"3"});
    EXPECT_EQ(got.value("TIPO_PAI_DIFERENTE"), QStringList{"N"});
    EXPECT_FALSE(got.contains("EXEMPLO_ORFAO") || got.contains("CICLO"));

    const Variant null = Variant::Null();
    EXPECT_EQ(members("getMembros", {table, key, attribute, parent, null, null, Variant(10)}),
              QStringList{"1|Adams|<null>|2|"});
    EXPECT_EQ(members("getMembros", {table, key, attribute, parent, "2", "3", Variant(10)}),
              QStringList({"4|Park|2|0|", "5|Johnson|2|0|"}));
    EXPECT_EQ(members("procuraMembros", {table, key, attribute, parent, "pea", Variant(10)}),
              QStringList{R"(3|Peacock|2|["1","2","3"])"});
}

TEST_P(Profile, TheTimeLimitStopsTheWorkAndLeavesTheConnectionUsable)
{
    ASSERT_EQ(executeDirectly({"CREATE TABLE grande (cdgrande INTEGER, nmgrande VARCHAR(20), "
                               "cdpai INTEGER)",
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 50000) INSERT INTO grande SELECT i, 'm', i / 2 FROM n"}),
              "");
    // In this process, on a connection of its own, with a limit no statement here can keep.
    Database db(DatabaseConfig::parse(server.databaseUrl()), "profile-limit");
    try {
        DimensionProfiler(db, std::chrono::milliseconds(1))
            .answer("GRANDE", "CDGRANDE", "NMGRANDE", "CDPAI");
        ADD_FAILURE() << "the profile was not stopped";
    } catch (const MethodFailure &e) {
        EXPECT_EQ(e.Message(), "Análise interrompida após 0,001 s.");
    }
    // The same connection then answers in full: no stopped transaction or stale limit is left.
    const packet::Packet full =
        TestClient::packetOf(DimensionProfiler(db, std::chrono::seconds(60))
                                 .answer("GRANDE", "CDGRANDE", "NMGRANDE", "CDPAI"));
    ASSERT_FALSE(full.rows.isEmpty());
    EXPECT_EQ(full.rows[0], packet::Row({"LINHAS", "50000"}));
}

// A page of members runs under the same limit: the database itself stops a statement that
// outlives it (PostgreSQL's statement_timeout, sent with the page in its one round trip;
// SQLite's progress handler), the answer says so, and the connection is left as it was found.
TEST_P(Profile, AMemberPageStopsAtTheTimeLimitAndLeavesTheConnectionUsable)
{
    // Member 1 has 1,000 children among 200,000 rows, the parent without an index: each
    // child's count of children reads the whole table, seconds for a page of them all.
    ASSERT_EQ(executeDirectly({"CREATE TABLE grande (cdgrande INTEGER, nmgrande VARCHAR(20), "
                               "cdpai INTEGER)",
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 200000) INSERT INTO grande SELECT i, 'm', i / 1000 "
                               "FROM n"}),
              "");
    Database db(DatabaseConfig::parse(server.databaseUrl()), "page-limit");
    // Twice: the second time, on PostgreSQL, the page goes with a fresh look-up of the names
    // found the first time.
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        const quint64 stoppedBefore = Database::deadlinesHit();
        QElapsedTimer clock;
        clock.start();
        try {
            MemberPages(db, std::chrono::milliseconds(200))
                .answer("GRANDE", "CDGRANDE", "NMGRANDE", "CDPAI", QString("1"), std::nullopt,
                        1000);
            ADD_FAILURE() << "the page was not stopped";
        } catch (const MethodFailure &e) {
            EXPECT_EQ(e.Message(), "Análise interrompida após 0,2 s.");
        }
        EXPECT_LT(clock.elapsed(), 3000);
        // The statement was sent and PostgreSQL cut it off, not the server before sending it.
        if (isPostgres()) {
            EXPECT_EQ(Database::deadlinesHit(), stoppedBefore + 1);
        }
    }
    // The same connection then answers in full: no transaction or time limit is left over.
    const packet::Packet page = TestClient::packetOf(
        MemberPages(db, std::chrono::seconds(60))
            .answer("GRANDE", "CDGRANDE", "NMGRANDE", "CDPAI", QString("1"), std::nullopt, 2));
    EXPECT_EQ(lines(page), QStringList({"1000|m|1|0|", "1001|m|1|0|"}));
}

// Statement texts come partly from clients (the table and columns they name): a connection
// keeps the ones used most recently only, however many it is asked, and prepares again one
// it let go of.
TEST_P(Profile, AConnectionKeepsABoundedNumberOfReadStatements)
{
    Database db(DatabaseConfig::parse(server.databaseUrl()), "statements");
    const auto ask = [&](int i) {
        const packet::Packet answer = db.select(QString("SELECT CAST(? AS TEXT) AS n%1").arg(i),
                                                {QString::number(i)}, {{"N", 20}});
        return answer.rows.value(0).value(0).value_or("<none>");
    };
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(ask(i), QString::number(i));
    EXPECT_EQ(ask(0), "0"); // let go of long ago
    qint64 kept = 0;
    if (isPostgres()) {
        kept = db.rows("SELECT COUNT(*) FROM pg_prepared_statements WHERE name LIKE 'kzr_select%'",
                       {})
                   .value(0)
                   .value(0)
                   .toLongLong();
    } else {
        for (sqlite3_stmt *s = sqlite3_next_stmt(db.sqliteConnection(), nullptr); s;
             s = sqlite3_next_stmt(db.sqliteConnection(), s))
            ++kept;
    }
    EXPECT_GT(kept, 0);
    EXPECT_LE(kept, 140); // 128 reads and the few statements of the connection's own
}

// A file without WAL, as other programs make them: there a reader holds a writer's commit back,
// so a long profile gives way to a save of this server instead of making it wait.
TEST(ProfileOnARollbackJournal, GivesWayToASaveInsteadOfHoldingItBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const DatabaseConfig config =
        DatabaseConfig::parse("sqlite:" + dir.filePath("rollback.sqlite"));
    {
        Database db(config, "profile-setup");
        EXPECT_EQ(db.rows("PRAGMA journal_mode = DELETE", {}).value(0).value(0).toString(),
                  "delete");
        // One chain 30,000 deep whose parent is a text beside an integer key: no index serves
        // the walk, which takes far longer than the save below.
        db.run("CREATE TABLE grande (cdgrande INTEGER, nmgrande VARCHAR(20), cdpai VARCHAR(10))");
        db.run("INSERT INTO grande WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
               "WHERE i < 30000) SELECT i, 'm', CAST(NULLIF(i - 1, 0) AS TEXT) FROM n");
    }
    std::atomic<bool> started = false;
    QString profileAnswer;
    std::thread profile([&] {
        Database db(config, "profile-reader");
        started = true;
        try {
            DimensionProfiler(db, std::chrono::seconds(20))
                .answer("GRANDE", "CDGRANDE", "NMGRANDE", "CDPAI");
            profileAnswer = "answered in full";
        } catch (const MethodFailure &e) {
            profileAnswer = e.Message();
        }
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // well into the walk

    QString saved;
    try {
        Database db(config, "profile-writer");
        Transaction save(db);
        db.run("INSERT INTO grande VALUES (0, 'novo', NULL)");
        save.commit();
        saved = "committed";
    } catch (const MethodFailure &e) {
        saved = e.Message();
    }
    profile.join();
    EXPECT_EQ(saved, "committed");
    EXPECT_EQ(profileAnswer, QueryDeadline::gaveWayText());
}

INSTANTIATE_TEST_SUITE_P(Backends, Profile, ::testing::Values("sqlite", "postgresql"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
