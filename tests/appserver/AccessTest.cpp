// Who may use the server, on SQLite and on PostgreSQL: logging in, sessions and their end,
// rights per role, the administration commands, and the audit trail written with each change.
#include "AuditTrail.h"
#include "Deltas.h"
#include "LoginThrottle.h"
#include "OpsPage.h"
#include "RawWireClient.h"
#include "RequirePostgres.h"
#include "ServerFailure.h"
#include "ServerLogin.h"
#include "StorageFixture.h"
#include "TableLayout.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <future>

namespace {

using namespace deltas;

class Access : public StorageFixture
{
protected:
    // The audit trail as the audit command prints it: one line per change, tab-separated.
    QList<QStringList> audit(const QStringList &filters = {})
    {
        QString out;
        EXPECT_EQ(server.admin(QStringList{"audit"} + filters, {}, &out), 0) << out.toStdString();
        QList<QStringList> rows;
        for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
            rows << line.split('\t');
        return rows;
    }

    QString storedHash(const QString &user)
    {
        QString hash;
        {
            QSqlDatabase db = DatabaseConfig::parse(server.databaseUrl()).addConnection("hashes");
            EXPECT_TRUE(db.open());
            QSqlQuery query(db);
            query.prepare("SELECT DSSENHA FROM USUARIOSERVIDOR WHERE NMUSUARIO = ?");
            query.addBindValue(user);
            if (query.exec() && query.next()) hash = query.value(0).toString();
        }
        QSqlDatabase::removeDatabase("hashes");
        return hash;
    }
};

TEST_P(Access, WithoutALoginNothingIsServedAndNothingSaved)
{
    QStringList told;
    TNetConnection::SetSessionEndedHandler([&](const QString &message) { told << message; });
    TestClient stranger(server, ServerAccess{});
    const Variant read = stranger.dimensao("getDimensao", {"", ""});
    EXPECT_TRUE(server_failure::isSessionEnded(read));
    EXPECT_EQ(server_failure::message(read),
              "É necessário entrar com usuário e senha antes de chamar \"getDimensao\".");
    EXPECT_TRUE(server_failure::isSessionEnded(
        stranger.dimensao("SetDimensao", {ofDimensions({insert(dimension("1", "Clientes"))})})));
    EXPECT_TRUE(server_failure::isSessionEnded(stranger.estrutura("getFields", {"D", "CLIENTE"})));
    EXPECT_EQ(told.size(), 3);

    // A made-up session is no session either.
    ServerAccess forged;
    forged.sessionToken = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    TestClient guesser(server, forged);
    EXPECT_TRUE(server_failure::isSessionEnded(
        guesser.dimensao("SetDimensao", {ofDimensions({insert(dimension("2", "Produtos"))})})));
    TNetConnection::SetSessionEndedHandler(nullptr);

    EXPECT_TRUE(client->codes().isEmpty());
    EXPECT_TRUE(audit().isEmpty());
}

TEST_P(Access, AWrongPasswordAndAnUnknownUserAreRefusedAlike)
{
    for (const auto &[user, password] : QList<std::pair<QString, QString>>{
             {"kzr-test", "errada"}, {"ninguem", "kzr-test"}, {"kzr-test", ""}, {"a\nb\tc", "x"}}) {
        SCOPED_TRACE(user.toStdString() + "/" + password.toStdString());
        try {
            server.login(user, password);
            ADD_FAILURE() << "logged in";
        } catch (const ELoginRefused &e) {
            EXPECT_EQ(e.Message(), "Usuário ou senha inválidos.");
        }
    }
    EXPECT_NO_THROW(server.login("kzr-test", "kzr-test"));

    // Every login is recorded, by name and address, one line each, never with its password.
    QList<QStringList> logins = audit({"--logins"});
    for (QStringList &line : logins) {
        EXPECT_EQ(line.size(), 6) << line.join('|').toStdString();
        EXPECT_EQ(line.value(2), "127.0.0.1");
        EXPECT_EQ(line.value(4), "local");
        EXPECT_EQ(line.value(5), line.value(3) == "accepted" ? "maintain" : "-");
        line = line.mid(1, 3);
        line.removeAt(1);
    }
    EXPECT_EQ(logins, QList<QStringList>({{"kzr-test", "accepted"},
                                          {"kzr-test", "refused"},
                                          {"ninguem", "refused"},
                                          {"kzr-test", "refused"},
                                          {u"a\ufffdb\ufffdc"_qs, "refused"},
                                          {"kzr-test", "accepted"}}));
    EXPECT_EQ(audit({"--logins", "--user", "ninguem"}).size(), 1);
    EXPECT_TRUE(audit().isEmpty()); // no saved change
}

TEST_P(Access, ARefusalTakesAsLongWhateverTheNameAndHashesKeepTheInstalledCost)
{
    // A test's setting of old, left in the environment, lowers nothing any more.
    qputenv("KZR_PASSWORD_COST", "minimum");
    server.setCheapHashes(false);
    ASSERT_TRUE(server.addUser("ana", "maintain", "segredo")) << server.error().toStdString();
    ASSERT_TRUE(server.start(server.databaseUrl())) << server.error().toStdString();
    qunsetenv("KZR_PASSWORD_COST");
    EXPECT_TRUE(storedHash("ana").contains("$m=65536,")) << storedHash("ana").toStdString();
    EXPECT_FALSE(server.output().contains("password-cost")) << server.output().toStdString();

    // Whether a name exists cannot be told from how long its refusal takes. Each guess is the
    // first since a success, so the throttle holds each back alike.
    const auto refusalMs = [&](const QString &user) {
        server.login("ana", "segredo");
        QElapsedTimer clock;
        clock.start();
        EXPECT_THROW(server.login(user, "errada"), ELoginRefused);
        return clock.elapsed();
    };
    qint64 known = std::numeric_limits<qint64>::max(), unknown = known;
    for (int i = 0; i < 3; ++i) {
        known = std::min(known, refusalMs("ana"));
        unknown = std::min(unknown, refusalMs("ninguem" + QString::number(i)));
    }
    const qint64 hashing = known - 500;
    ASSERT_GT(hashing, 10) << "known " << known;
    EXPECT_GT(unknown - 500, hashing / 2) << "known " << known << ", unknown " << unknown;
}

TEST_P(Access, GuessesInParallelAreSlowedAtOneNameAndAtManyNamesFromOneAddress)
{
    // Twenty connections guess at once, each waiting three seconds for its answer: the
    // throttle, shared by every connection, answers only the first few within that time.
    const auto answeredInTime = [&](const std::function<QString(int)> &name) {
        std::vector<std::future<bool>> guesses;
        guesses.reserve(20);
        for (int i = 0; i < 20; ++i)
            guesses.push_back(std::async(std::launch::async, [&, i] {
                try {
                    ServerLogin::login(server.host(), server.port(), {}, name(i), "errada", 3000);
                } catch (const ELoginRefused &) {
                    return true;
                } catch (const Exception &) {
                }
                return false;
            }));
        int answered = 0;
        for (auto &guess : guesses)
            answered += guess.get() ? 1 : 0;
        return answered;
    };
    const int atOneName = answeredInTime([](int) { return QString("kzr-test"); });
    EXPECT_GE(atOneName, 1);
    EXPECT_LE(atOneName, 4);
    server.login("kzr-test", "kzr-test");
    const int atManyNames = answeredInTime([](int i) { return "inventado" + QString::number(i); });
    EXPECT_GE(atManyNames, 1);
    EXPECT_LE(atManyNames, 4);
}

TEST_P(Access, AReadOnlyUserLooksAndChecksButSavesNothing)
{
    ASSERT_EQ(createApplicationTables(), "");
    ASSERT_EQ(client->saveDimensions(ofDimensions({insert(dimension("1", "Clientes"))})), "");
    ASSERT_TRUE(server.addUser("leitor", "read-only", "ler")) << server.error().toStdString();
    TestClient reader(server, server.login("leitor", "ler"));
    EXPECT_EQ(reader.codes(), QStringList({"00001"}));
    EXPECT_TRUE(reader.extras("00001").rows.isEmpty());
    EXPECT_FALSE(server_failure::is(reader.dimensao("vdExtras", {"00001", "", "Cidade"})));
    EXPECT_FALSE(server_failure::is(reader.estrutura("getFields", {"D", "DIMENSAODIME"})));
    EXPECT_EQ(TestClient::packetOf(reader.dimensao("getHistorico", {"1"})).rows.size(), 1);

    EXPECT_EQ(reader.saveDimensions(ofDimensions(
                  {modify(dimension("00001", "Clientes"), dimension("00001", "Outro nome"))})),
              "O usuário \"leitor\" tem permissão somente de leitura e não pode chamar "
              "\"SetDimensao\". Nada foi gravado.");
    EXPECT_TRUE(reader.saveExtras(ofExtras({insert(extra("1", "CDCIDADE", "Cidade"))}))
                    .contains("\"setExtras\""));
    EXPECT_EQ(client->dimensions().rows.at(0).at(2), "Clientes");
    EXPECT_TRUE(client->extras("00001").rows.isEmpty());
    EXPECT_EQ(audit().size(), 1); // the maintainer's insert only
}

TEST_P(Access, AnIdleSessionEndsAndOnlyANewLoginGoesOn)
{
    ASSERT_TRUE(server.start(server.databaseUrl(),
                             {"--session-idle", "1", "--metrics", "127.0.0.1:0"}))
        << server.error().toStdString();
    TestClient user(server);
    EXPECT_TRUE(user.codes().isEmpty());
    const OpsPage ops(server);
    for (QDeadlineTimer deadline(5000); ops.metric("kzr_sessions") != 0; QThread::msleep(50))
        ASSERT_FALSE(deadline.hasExpired()) << "the idle session lives on";
    const Variant late =
        user.dimensao("SetDimensao", {ofDimensions({insert(dimension("1", "Clientes"))})});
    EXPECT_TRUE(server_failure::isSessionEnded(late));
    EXPECT_EQ(server_failure::message(late),
              "A sessão expirou por inatividade. Entre novamente com usuário e senha.");
    // A new socket cannot resume the ended session either.
    const Variant resumed = user.dimensao("getDimensao", {"", ""});
    EXPECT_TRUE(server_failure::isSessionEnded(resumed));
    EXPECT_TRUE(server_failure::message(resumed).contains("Entre novamente"));

    TestClient again(server, server.login("kzr-test", "kzr-test"));
    EXPECT_TRUE(again.codes().isEmpty());
    EXPECT_TRUE(audit().isEmpty());
}

TEST_P(Access, UsersAreAdministeredWithThePasswordOnStandardInput)
{
    QString out;
    EXPECT_EQ(server.admin({"user", "add", "ana", "--role", "maintain"}, "primeira\n", &out), 0)
        << out.toStdString();
    const QList<std::tuple<QStringList, QString, QString>> refused = {
        {{"user", "add", "ana", "--role", "read-only"}, "x\n", "O usuário \"ana\" já existe."},
        {{"user", "add", "bia", "--role", "dono"}, "x\n", "read-only, maintain"},
        {{"user", "add", "bia cruz", "--role", "maintain"}, "x\n", "sem espaços"},
        {{"user", "add", "bia", "--role", "maintain"}, "\n", "A senha não pode ser vazia."},
        {{"user", "passwd", "bia"}, "x\n", "O usuário \"bia\" não existe."},
        {{"user", "remove", "bia"}, "", "O usuário \"bia\" não existe."},
        {{"user", "rename", "ana"}, "", "uso: kzr-appserver"},
        {{"sessions", "stop", "ana"}, "", "uso: kzr-appserver"},
    };
    for (const auto &[args, input, says] : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(server.admin(args, input, &out), 1);
        EXPECT_TRUE(out.contains(says)) << out.toStdString();
    }
    EXPECT_EQ(server.admin({"user", "list"}, {}, &out), 0);
    EXPECT_EQ(out, "ana\tmaintain\tlocal\nkzr-test\tmaintain\tlocal\n");
    const QString hash = storedHash("ana");
    EXPECT_TRUE(hash.startsWith("$argon2id$")) << hash.toStdString();
    EXPECT_FALSE(hash.contains("primeira"));

    const ServerAccess before = server.login("ana", "primeira");
    EXPECT_EQ(server.admin({"user", "passwd", "ana"}, "segunda\n", &out), 0) << out.toStdString();
    EXPECT_THROW(server.login("ana", "primeira"), ELoginRefused);
    EXPECT_NO_THROW(server.login("ana", "segunda"));

    EXPECT_EQ(server.admin({"user", "remove", "ana"}, {}, &out), 0) << out.toStdString();
    EXPECT_THROW(server.login("ana", "segunda"), ELoginRefused);
    // A session of a removed user ends with the next connection that presents it.
    TestClient removed(server, before);
    EXPECT_TRUE(server_failure::isSessionEnded(removed.dimensao("getDimensao", {"", ""})));
}

TEST_P(Access, EverySavedChangeIsAuditedAndARefusedSaveLeavesNoTrace)
{
    ASSERT_EQ(createApplicationTables(), "");
    ASSERT_EQ(client->saveDimensions(
                  ofDimensions({insert(dimension("12", "Clientes")),
                                insert(dimension("7", "Grupos", "GRUPO", "CDGRUPO", "NMGRUPO"))})),
              "");
    ASSERT_EQ(client->saveDimensions(ofDimensions(
                  {modify(dimension("00012", "Clientes"), dimension("00012", "Clientes ativos"))})),
              "");
    ASSERT_EQ(client->saveExtras(ofExtras({insert(extra("12", "CDCIDADE", "Cidade"))})), "");
    // The good insert travels with one that the database refuses: neither is recorded.
    EXPECT_NE(client->saveDimensions(ofDimensions(
                  {insert(dimension("3", "Cidades")), insert(dimension("7", "Outra"))})),
              "");
    EXPECT_NE(client->saveDimensions(ofDimensions({remove(dimension("00012", "Clientes ativos"))})),
              ""); // it still has an extra attribute

    const QList<QStringList> rows = audit();
    ASSERT_EQ(rows.size(), 4);
    for (const QStringList &row : rows) {
        ASSERT_EQ(row.size(), 7);
        EXPECT_EQ(row[1], "kzr-test");
        EXPECT_TRUE(QDateTime::fromString(row[0], Qt::ISODateWithMs).isValid())
            << row[0].toStdString();
    }
    EXPECT_EQ(rows[0].mid(2, 4), QStringList({"DIMENSAODIME", "insert", "00012", "-"}));
    EXPECT_TRUE(rows[0][6].contains("\"NMITEMDIME\":\"Clientes\"")) << rows[0][6].toStdString();
    EXPECT_EQ(rows[1].mid(2, 3), QStringList({"DIMENSAODIME", "insert", "00007"}));
    EXPECT_EQ(rows[2].mid(2, 3), QStringList({"DIMENSAODIME", "modify", "00012"}));
    EXPECT_TRUE(rows[2][5].contains("\"NMITEMDIME\":\"Clientes\""));
    EXPECT_TRUE(rows[2][6].contains("\"NMITEMDIME\":\"Clientes ativos\""));
    EXPECT_EQ(rows[3].mid(2, 4), QStringList({"ATRIBEXTRADIME", "insert", "00012/CDCIDADE", "-"}));

    // A dimension's history: its own rows and its extras', newest first, nobody else's.
    const packet::Packet history = TestClient::packetOf(client->dimensao("getHistorico", {"12"}));
    EXPECT_EQ(TestClient::column(history, "IDOPERACAO"),
              QStringList({"insert", "modify", "insert"}));
    EXPECT_EQ(TestClient::column(history, "IDTIPOREGISTRO"),
              QStringList({"extra", "dimension", "dimension"}));
    EXPECT_EQ(TestClient::column(history, "DTALTERACAO").last(), rows[0][0]);
    EXPECT_EQ(TestClient::column(history, "DSANTES").last(), "<null>");
    EXPECT_EQ(TestClient::column(history, "DSDEPOIS")[1], rows[2][6]);
    EXPECT_TRUE(TestClient::packetOf(client->dimensao("getHistorico", {"99"})).rows.isEmpty());
    EXPECT_EQ(audit({"--user", "ninguem"}).size(), 0);
    EXPECT_EQ(audit({"--since", "2000-01-01", "--user", "kzr-test"}).size(), 4);
    EXPECT_EQ(audit({"--since", "2999-01-01T00:00"}).size(), 0);
    QString out;
    EXPECT_EQ(server.admin({"audit", "--since", "ontem"}, {}, &out), 1);
    EXPECT_TRUE(out.contains("--since espera uma data")) << out.toStdString();
}

// The values before and after a change are kept in the form Qt's JSON writer gives them, which
// entries already stored have: keys in order, every escape, UTF-8 and null alike.
TEST(AuditTrailValues, AreWrittenAsQtsJsonWriterWritesThem)
{
    QString everyAscii;
    for (char16_t u = 0; u < 0x80; ++u)
        everyAscii += QChar(u);
    const QList<std::optional<QString>> values = {everyAscii,
                                                  QString(),
                                                  std::nullopt,
                                                  u"Dimensão ação €"_qs,
                                                  u"clave 𝄞 fim"_qs,
                                                  QString(QChar(0xd834)) + "x",
                                                  QString(QChar(0xdd1e)),
                                                  "fim" + QString(QChar(0xd834)),
                                                  QString(QChar(0xd834)) + QChar(0xd834) +
                                                      QChar(0xdd1e),
                                                  u"\u00ff\u0800\uffff"_qs};
    const TableLayout &layout = TableLayout::dimensions();
    for (qsizetype first = 0; first < values.size(); ++first) {
        packet::Row row(layout.fields().size());
        QJsonObject expected;
        for (qsizetype i = 0; i < row.size(); ++i) {
            row[i] = values[(first + i) % values.size()];
            expected.insert(layout.fields()[i].name, row[i] ? QJsonValue(*row[i]) : QJsonValue());
        }
        EXPECT_EQ(AuditTrail::valuesAsJson(layout, row),
                  QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)))
            << "from value " << first;
    }
}

TEST(LoginThrottle, EachFailureDoublesTheWaitUpToAMinuteAndASuccessForgetsThem)
{
    LoginThrottle throttle(500);
    EXPECT_EQ(throttle.failed("ana", "10.0.0.1"), 500);
    EXPECT_EQ(throttle.failed("ana", "10.0.0.2"), 1000); // counted per name, whatever the address
    EXPECT_EQ(throttle.failed("ana", "10.0.0.3"), 2000);
    EXPECT_EQ(throttle.failed("bia", "10.0.0.4"), 500);
    EXPECT_EQ(throttle.failed("caio", "10.0.0.4"), 1000); // and per address, whatever the name
    for (int i = 0; i < 30; ++i)
        throttle.failed("ana", "10.0.0.1");
    EXPECT_EQ(throttle.failed("ana", "10.0.0.1"), LoginThrottle::MaxDelayMs);
    throttle.succeeded("ana", "10.0.0.1");
    EXPECT_EQ(throttle.failed("ana", "10.0.0.9"), 500);
}

TEST(LoginThrottle, AFloodOfMadeUpNamesNeitherResetsAnAccountNorGrowsWithoutEnd)
{
    LoginThrottle throttle(500, 1000);
    for (int i = 0; i < 3; ++i)
        throttle.failed("ana", "10.1.0.1");
    // From many addresses, more made-up names than the throttle keeps, or once wiped.
    for (int i = 0; i < 100001; ++i)
        throttle.failed("x" + QString::number(i), "10.2." + QString::number(i));
    EXPECT_EQ(throttle.failed("ana", "10.3.0.1"), 4000);
    EXPECT_EQ(throttle.failed("x100000", "10.3.0.2"), 1000); // the latest kept
    EXPECT_EQ(throttle.failed("x1", "10.3.0.3"), 500);       // the oldest let go
}

// A new connection of a live session joins it at once while the database does not answer; its
// calls meet the outage like any other, nothing asks for a new login, and the session goes on.
TEST(DatabaseOutage, ALiveSessionIsResumedWithoutTheDatabaseAndSurvivesIt)
{
    REQUIRE_POSTGRES(pg)
    const QString url = pg->createDatabase("kzr_outage");
    ASSERT_FALSE(url.isEmpty()) << pg->error();
    ServerProcess server;
    ASSERT_TRUE(server.start(url, {"--statement-timeout", "1", "--connect-timeout", "2"}))
        << server.error();
    const ServerAccess session = server.access();
    QStringList told;
    TNetConnection::SetSessionEndedHandler([&](const QString &message) { told << message; });
    ASSERT_TRUE(pg->pause()) << pg->error();
    struct Resume
    {
        PostgresInstance *pg;
        ~Resume() { pg->resume(); }
    } resume{pg};
    RawWireClient raw;
    ASSERT_TRUE(raw.connectTo(server.host(), server.port()));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(raw.resume(session.sessionToken));
    EXPECT_LT(clock.elapsed(), 1000);
    TestClient user(server, session);
    const Variant during = user.dimensao("getDimensao", {"", ""});
    EXPECT_FALSE(server_failure::isSessionEnded(during));
    EXPECT_TRUE(TestClient::failureOf(during).contains("não respondeu em"))
        << TestClient::failureOf(during);
    pg->resume();
    // Calls meet the outage until the server's probe (once a second) sees the database again.
    EXPECT_EQ(user.failureUntilAnswered(10000), "");
    EXPECT_TRUE(user.codes().isEmpty());
    EXPECT_TRUE(told.isEmpty()) << told.join('\n');
    TNetConnection::SetSessionEndedHandler(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Backends, Access, ::testing::Values("sqlite", "postgresql"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
