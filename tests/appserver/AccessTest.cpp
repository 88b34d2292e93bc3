// Who may use the server, on SQLite and on PostgreSQL: logging in, sessions and their end,
// rights per role, the administration commands, and the audit trail written with each change.
#include "AuditTrail.h"
#include "Deltas.h"
#include "LoginThrottle.h"
#include "ServerFailure.h"
#include "StorageFixture.h"
#include "TableLayout.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

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
             {"kzr-test", "errada"}, {"ninguem", "kzr-test"}, {"kzr-test", ""}}) {
        SCOPED_TRACE(user.toStdString() + "/" + password.toStdString());
        try {
            server.login(user, password);
            ADD_FAILURE() << "logged in";
        } catch (const ELoginRefused &e) {
            EXPECT_EQ(e.Message(), "Usuário ou senha inválidos.");
        }
    }
    EXPECT_NO_THROW(server.login("kzr-test", "kzr-test"));
}

TEST_P(Access, AReadOnlyUserLooksAndChecksButSavesNothing)
{
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
    ASSERT_TRUE(server.start(server.databaseUrl(), {"--session-idle", "1"}))
        << server.error().toStdString();
    TestClient user(server);
    EXPECT_TRUE(user.codes().isEmpty());
    QThread::msleep(2200);
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
    };
    for (const auto &[args, input, says] : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(server.admin(args, input, &out), 1);
        EXPECT_TRUE(out.contains(says)) << out.toStdString();
    }
    EXPECT_EQ(server.admin({"user", "list"}, {}, &out), 0);
    EXPECT_EQ(out, "ana\tmaintain\nkzr-test\tmaintain\n");
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
    ASSERT_EQ(client->saveDimensions(ofDimensions({insert(dimension("12", "Clientes")),
                                                   insert(dimension("7", "Grupos", "GRUPO"))})),
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
    EXPECT_EQ(throttle.failed("ana"), 500);
    EXPECT_EQ(throttle.failed("ana"), 1000);
    EXPECT_EQ(throttle.failed("ana"), 2000);
    EXPECT_EQ(throttle.failed("bia"), 500); // counted per name
    for (int i = 0; i < 30; ++i)
        throttle.failed("ana");
    EXPECT_EQ(throttle.failed("ana"), LoginThrottle::MaxDelayMs);
    throttle.succeeded("ana");
    EXPECT_EQ(throttle.failed("ana"), 500);
}

INSTANTIATE_TEST_SUITE_P(Backends, Access, ::testing::Values("sqlite", "postgresql"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
