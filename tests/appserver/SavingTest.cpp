// Storing and saving, on SQLite and on PostgreSQL: deltas all or none, records changed by
// someone else, the database's own guarantees, many savers at once, a server killed mid-save.
#include "Deltas.h"
#include "RequirePostgres.h"
#include "ServerFailure.h"
#include "StorageFixture.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>
#include <atomic>
#include <functional>
#include <vector>

namespace {

using namespace deltas;

class Saving : public StorageFixture
{
protected:
    void SetUp() override
    {
        StorageFixture::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) ASSERT_EQ(createApplicationTables(), "");
    }
};

TEST_P(Saving, SavesDimensionsAndExtrasAndAnswersWhatIsStored)
{
    EXPECT_TRUE(client->dimensions().rows.isEmpty());
    const Variant reply = client->dimensao(
        "SetDimensao",
        {ofDimensions({insert(dimension("12", "Clientes")),
                       insert(dimension("00007", "Grupos", "GRUPO", "CDGRUPO", "NMGRUPO", "CDPAI")),
                       insert(dimension("3", "Cidades", "CIDADE", "CDCIDADE", "NMCIDADE"))})});
    // The complete list comes back, codes in their stored form.
    const packet::Packet stored = TestClient::packetOf(reply);
    EXPECT_EQ(TestClient::column(stored, "NRSEQUEDIME"), QStringList({"00003", "00007", "00012"}));
    EXPECT_EQ(TestClient::column(stored, "DSPKDIME2"), QStringList({"<null>", "CDPAI", "<null>"}));

    const Row clientes = dimension("00012", "Clientes");
    const Row renamed =
        dimension("00012", "Clientes ativos", "CLIENTE", "CDCLIENTE", "NMCLIENTE", "", "N");
    EXPECT_EQ(client->saveDimensions(ofDimensions(
                  {modify(clientes, renamed),
                   remove(dimension("00003", "Cidades", "CIDADE", "CDCIDADE", "NMCIDADE"))})),
              "");
    const packet::Packet after = client->dimensions();
    EXPECT_EQ(TestClient::column(after, "NMITEMDIME"), QStringList({"Grupos", "Clientes ativos"}));
    EXPECT_EQ(TestClient::column(after, "IDDIMENSAODW"), QStringList({"S", "N"}));
    EXPECT_EQ(TestClient::column(after, "DSPKDIME2"),
              QStringList({"CDPAI", ""})); // empty stays empty, not null

    const Variant extrasReply = client->dimensao(
        "setExtras",
        {ofExtras({insert(extra("12", "CDCIDADE", "Cidade")), insert(extra("00012", "DSUF", "UF")),
                   insert(extra("00007", "NMGRUPO2", "Outro nome"))})});
    EXPECT_EQ(TestClient::column(TestClient::packetOf(extrasReply), "CDATRIBEXTRDIME"),
              QStringList({"NMGRUPO2", "CDCIDADE", "DSUF"}));
    EXPECT_EQ(client->saveExtras(
                  ofExtras({modify(extra("00012", "DSUF", "UF"), extra("00012", "DSUF", "Estado")),
                            remove(extra("00007", "NMGRUPO2", "Outro nome"))})),
              "");
    EXPECT_EQ(TestClient::column(client->extras("00012"), "DSATRIBEXTRDIME"),
              QStringList({"Cidade", "Estado"}));
    EXPECT_TRUE(client->extras("00007").rows.isEmpty());
}

TEST_P(Saving, ARecordChangedByAnotherUserFailsTheWholeSave)
{
    ASSERT_EQ(
        client->saveDimensions(ofDimensions({insert(dimension("00001", "Clientes")),
                                             insert(dimension("00002", "Produtos", "PRODUTO"))})),
        "");
    TestClient other(server);
    const Row original = dimension("00001", "Clientes");
    ASSERT_EQ(
        other.saveDimensions(ofDimensions({modify(original, dimension("00001", "Clientes A"))})),
        "");

    // Still holding what it read: a good insert and a stale change travel together.
    const QString refused =
        client->saveDimensions(ofDimensions({insert(dimension("00003", "Cidades")),
                                             modify(original, dimension("00001", "Clientes B"))}));
    EXPECT_EQ(refused, "O registro de dimensão 00001 foi alterado ou excluído por outro usuário. "
                       "Atualize os dados e tente novamente.");
    EXPECT_EQ(client->codes(), QStringList({"00001", "00002"}));
    EXPECT_EQ(client->dimensions("00001").rows.at(0).at(2), "Clientes A");
    EXPECT_NE(client->saveDimensions(ofDimensions({remove(original)})), "");

    // A record deleted by the other user.
    ASSERT_EQ(
        other.saveDimensions(ofDimensions({remove(dimension("00002", "Produtos", "PRODUTO"))})),
        "");
    EXPECT_NE(
        client->saveDimensions(ofDimensions({modify(dimension("00002", "Produtos", "PRODUTO"),
                                                    dimension("00002", "Produtos", "ITEM"))})),
        "");
    EXPECT_EQ(client->codes(), QStringList{"00001"});

    // Extras are matched the same way.
    ASSERT_EQ(client->saveExtras(ofExtras({insert(extra("00001", "CDCIDADE", "Cidade"))})), "");
    ASSERT_EQ(other.saveExtras(ofExtras({modify(extra("00001", "CDCIDADE", "Cidade"),
                                                extra("00001", "CDCIDADE", "Município"))})),
              "");
    const QString extraRefused =
        client->saveExtras(ofExtras({remove(extra("00001", "CDCIDADE", "Cidade"))}));
    EXPECT_TRUE(extraRefused.contains("alterado ou excluído por outro usuário"))
        << extraRefused.toStdString();
    EXPECT_EQ(TestClient::column(client->extras("00001"), "DSATRIBEXTRDIME"),
              QStringList{"Município"});
}

TEST_P(Saving, TheDatabaseKeepsItsGuaranteesAndNothingIsHalfApplied)
{
    ASSERT_EQ(
        client->saveDimensions(ofDimensions({insert(dimension("00001", "Clientes")),
                                             insert(dimension("00002", "Produtos", "PRODUTO"))})),
        "");
    ASSERT_EQ(client->saveExtras(ofExtras({insert(extra("00001", "CDCIDADE", "Cidade"))})), "");
    const packet::Packet dimensionsBefore = client->dimensions();
    const packet::Packet extrasBefore = client->extras("00001");

    struct Case
    {
        QString what;
        Variant delta;
        bool extras;
        QString mentions; // the screen's own text, where the screen has one
    };
    const auto newDimension = [](const Row &row) { return ofDimensions({insert(row)}); };
    const auto newExtra = [](const Row &row) { return ofExtras({insert(row)}); };
    std::vector<Case> refusals = {
        {"duplicate code",
         ofDimensions({insert(dimension("00003", "Cidades")), insert(dimension("1", "Outra"))}),
         false, "00001"},
        {"duplicate name", ofDimensions({insert(dimension("00003", "Produtos"))}), false,
         "Dimensão 00003: Nome já cadastrado. Nada foi gravado."},
        {"duplicate name but for blanks around it", newDimension(dimension("3", " Produtos ")),
         false, "Dimensão 00003: Nome já cadastrado. Nada foi gravado."},
        {"rename onto another's name",
         ofDimensions({modify(dimension("00001", "Clientes"), dimension("00001", "Produtos"))}),
         false, "Nome já cadastrado."},
        {"blank code", newDimension(dimension("", "Sem código")), false,
         "Código de dimensão deve ser Informado."},
        {"code not digits", ofDimensions({insert(dimension("12a", "Doze"))}), false, "12a"},
        {"blank name", ofDimensions({insert(dimension("00005", " "))}), false, "00005"},
        {"flag other than S or N",
         newDimension(dimension("00005", "Cinco", "CLIENTE", "CDCLIENTE", "NMCLIENTE", {}, "X")),
         false, "IDDIMENSAODW"},
        {"a key without a table", newDimension(dimension("5", "Cinco", "", "CDCLIENTE", "")),
         false,
         "Campo \"Chave Primária\" só deve ser preenchido quando o campo \"Tabela Dimensão\" "
         "também for preenchido."},
        {"a parent without a table", newDimension(dimension("5", "Cinco", "", "", "", "CDPAI")),
         false, "Campo \"Auto Relacionamento\" só deve ser preenchido quando"},
        {"no key", newDimension(dimension("5", "Cinco", "CLIENTE", " ", "NMCLIENTE")), false,
         "Campo \"Chave Primária\" deve ser informado."},
        {"no main attribute", newDimension(dimension("5", "Cinco", "CLIENTE", "CDCLIENTE", "")),
         false, "Campo \"Atributo Principal\" deve ser informado."},
        {"main attribute is the key",
         newDimension(dimension("5", "Cinco", "cliente", "CDCLIENTE", "CDCLIENTE")), false,
         "O campo \"Atributo Principal\" não deve ter o mesmo conteúdo do campo \"Chave "
         "Primária\""},
        {"parent is the main attribute",
         newDimension(dimension("5", "Cinco", "CLIENTE", "CDCLIENTE", "NMCLIENTE", "NMCLIENTE")),
         false,
         "O campo \"Auto Relacionamento\" não deve ter o mesmo conteúdo do campo \"Atributo "
         "Principal\""},
        {"no such table", newDimension(dimension("5", "Cinco", "NAOEXISTE", "X", "Y")), false,
         "Dimensão 00005: Tabela \"NAOEXISTE\" inválida. Nada foi gravado."},
        {"no such field", newDimension(dimension("5", "Cinco", "CLIENTE", "NAOHA")), false,
         "Campo \"NAOHA\" inválido para a tabela \"CLIENTE\"."},
        {"a type no dimension may have",
         newDimension(dimension("5", "Cinco", "CLIENTE", "CDCLIENTE", "IMFOTO")), false,
         "Campo \"IMFOTO\" é de tipo não permitido para constituir uma dimensão."},
        {"table changed while extras exist",
         ofDimensions({modify(dimension("00001", "Clientes"),
                              dimension("00001", "Clientes", "CIDADE", "CDCIDADE", "NMCIDADE"))}),
         false,
         "Não é permitido alterar o campo tabela dimensão, pois existem atributos extras "
         "cadastrados para essa tabela."},
        {"delete with extras", ofDimensions({remove(dimension("00001", "Clientes"))}), false,
         "atributos extras"},
        {"recode with extras",
         ofDimensions({modify(dimension("00001", "Clientes"), dimension("00008", "Clientes"))}),
         false, "atributos extras"},
        {"extra of no dimension", ofExtras({insert(extra("00099", "CDX", "X"))}), true, "00099"},
        {"extra field twice", ofExtras({insert(extra("00001", "CDCIDADE", "Outra"))}), true,
         "CDCIDADE"},
        {"extra name twice", ofExtras({insert(extra("00001", "CDUF", "Cidade"))}), true,
         "Atributo extra CDUF da dimensão 00001: Nome de atributo extra já cadastrado. Nada foi "
         "gravado."},
        {"extra without a name", newExtra(extra("00001", "CDUF", " ")), true,
         "Nome do atributo extra deve ser informado."},
        {"extra without a field", newExtra(extra("00001", "", "UF")), true,
         "Atributo extra deve ser informado."},
        {"extra on the dimension's key", newExtra(extra("00001", "CDCLIENTE", "Código")), true,
         "O campo \"Atributo Extra\" não deve ter o mesmo conteúdo do campo \"Chave Primária\""},
        {"extra field not in the table", newExtra(extra("00001", "NAOHA", "Nada")), true,
         "Campo \"NAOHA\" inválido para a tabela \"CLIENTE\"."},
        {"extra of a type no dimension may have", newExtra(extra("00001", "VLSALDO", "Saldo")),
         true, "Campo \"VLSALDO\" é de tipo não permitido para constituir uma dimensão."},
    };
    // Neither the server's own tables nor the database system's, however spelled.
    for (const QString table : {"main.USUARIOSERVIDOR", "sqlite_master", "sqlite_schema",
                                "SQLITE_SEQUENCE", "ACESSOSERVIDOR"})
        refusals.push_back({table, newDimension(dimension("5", "Cinco", table, "NMUSUARIO", "DSSENHA")),
                            false, "Tabela \"" + table + "\" inválida."});
    for (const Case &c : refusals) {
        SCOPED_TRACE(c.what.toStdString());
        const QString message =
            c.extras ? client->saveExtras(c.delta) : client->saveDimensions(c.delta);
        EXPECT_TRUE(message.contains(c.mentions) && message.endsWith(" Nada foi gravado."))
            << message.toStdString();
        EXPECT_EQ(client->dimensions().rows, dimensionsBefore.rows);
        EXPECT_EQ(client->extras("00001").rows, extrasBefore.rows);
    }
    // A text longer than its field is no save the server could make: a fault, nothing stored,
    // whether the delta declares the field's true width or a wider one.
    QVector<packet::FieldDef> widerFields = DimensionFields;
    widerFields[2].size = 60;
    const QList<std::pair<Variant, bool>> tooLong = {
        {ofDimensions(
             {insert(dimension("00009", "Nove")), insert(dimension("00010", QString(31, 'n')))}),
         false},
        {of(widerFields,
            {insert(dimension("00009", "Nove")), insert(dimension("00010", QString(31, 'n')))}),
         false},
        {ofDimensions({insert(dimension("123456", "Seis dígitos"))}), false},
        {ofExtras({insert(extra("00001", QString(31, 'F'), "Longo"))}), true},
    };
    for (const auto &[delta, isExtras] : tooLong) {
        try {
            isExtras ? client->saveExtras(delta) : client->saveDimensions(delta);
            ADD_FAILURE() << "a text longer than its field was accepted";
        } catch (const EConnectionError &e) {
            EXPECT_TRUE(e.Message().contains("30") || e.Message().contains("5")) << e.Message();
        }
        EXPECT_EQ(client->dimensions().rows, dimensionsBefore.rows);
        EXPECT_EQ(client->extras("00001").rows, extrasBefore.rows);
    }

    // The same rules hold for a journal confirmed after a dry run.
    const Variant ownTable = VarArrayOf(
        {"KZR01200.rdmDimensao", "SetDimensao",
         VarArrayOf({newDimension(dimension("6", "Seis", "sqlite_schema", "name", "sql"))})});
    EXPECT_EQ(TestClient::failureOf(client->dimensaoConnection().callModule(
                  "KZR.Simulacao", "confirma", {VarArrayOf({ownTable})})),
              "Dimensão 00006: Tabela \"sqlite_schema\" inválida. Nada foi gravado.");
    EXPECT_EQ(client->dimensions().rows, dimensionsBefore.rows);

    // A name goes without the blanks around it; table and fields as sent, found in any case.
    ASSERT_EQ(client->saveDimensions(
                  newDimension(dimension("6", " Seis ", "cliente", "cdcliente", "nmcliente"))),
              "");
    EXPECT_EQ(dimensionsDirectly().last(), "S|00006|Seis|cliente|cdcliente|nmcliente|<null>");

    // Stored before the rules were kept: still read, no hindrance to the others' saves, and
    // changed only into a sound dimension.
    ASSERT_EQ(executeDirectly({"INSERT INTO DIMENSAODIME (IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, "
                               "CDTABELADIME, DSPKDIME, DSITEMDIME) VALUES ('S', '00070', "
                               "'Antiga', 'NAOEXISTE', 'X', 'Y')"}),
              "");
    EXPECT_EQ(client->codes(), QStringList({"00001", "00002", "00006", "00070"}));
    EXPECT_EQ(client->saveDimensions(ofDimensions({modify(dimension("00002", "Produtos", "PRODUTO"),
                                                          dimension("00002", "Itens", "ITEM"))})),
              "");
    const Row old = dimension("00070", "Antiga", "NAOEXISTE", "X", "Y");
    EXPECT_EQ(client->saveDimensions(ofDimensions(
                  {modify(old, dimension("00070", "Antiga", "NAOEXISTE", "X", "Y", {}, "N"))})),
              "Dimensão 00070: Tabela \"NAOEXISTE\" inválida. Nada foi gravado.");
    EXPECT_EQ(client->saveDimensions(ofDimensions({modify(old, dimension("00070", "Antiga"))})), "");

    // Once its extras are gone, the dimension may go.
    EXPECT_EQ(client->saveExtras(ofExtras({remove(extra("00001", "CDCIDADE", "Cidade"))})), "");
    EXPECT_EQ(client->saveDimensions(ofDimensions({remove(dimension("00001", "Clientes"))})), "");
    EXPECT_EQ(client->codes(), QStringList({"00002", "00006", "00070"}));
}

TEST_P(Saving, ManySaversAtOnceEachGetTheRightAnswer)
{
    constexpr int Savers = 8;
    constexpr int EachSaves = 6;
    std::atomic<int> contestedWins{0};
    std::atomic<int> failures{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int s = 0; s < Savers; ++s) {
        threads.emplace_back(QThread::create([&, s] {
            TestClient mine(server);
            for (int i = 0; i < EachSaves; ++i) {
                const QString code = QString::number(1000 + s * 100 + i);
                if (!mine.saveDimensions(
                             ofDimensions({insert(dimension(code, "Dimensão " + code))}))
                         .isEmpty())
                    ++failures;
                // Each saver also reads back its own record on its own connection.
                if (mine.dimensions(code).rows.size() != 1) ++failures;
            }
            // Everyone tries the same code; exactly one may have it.
            if (mine.saveDimensions(
                        ofDimensions({insert(dimension("99999", QString("Disputada %1").arg(s)))}))
                    .isEmpty())
                ++contestedWins;
        }));
        threads.back()->start();
    }
    for (auto &t : threads)
        ASSERT_TRUE(t->wait(240000));
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(contestedWins.load(), 1);
    EXPECT_EQ(client->codes().size(), Savers * EachSaves + 1);
}

TEST_P(Saving, AServerKilledDuringSavesLeavesNoHalfAppliedDelta)
{
    constexpr int Savers = 3;
    constexpr int Batch = 40;
    std::atomic<bool> stop{false};
    std::atomic<int> acknowledgedSaves{0};
    std::vector<std::vector<int>> acknowledged(Savers);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int s = 0; s < Savers; ++s) {
        threads.emplace_back(QThread::create([&, s] {
            TestClient mine(server);
            for (int b = 0; !stop && b < 200; ++b) {
                QVector<packet::Change> changes;
                const int batch = s * 200 + b;
                for (int i = 0; i < Batch; ++i) {
                    const QString code = QString::number(batch * Batch + i).rightJustified(5, '0');
                    changes << insert(dimension(code, "Lote " + code));
                }
                try {
                    if (mine.saveDimensions(ofDimensions(changes)).isEmpty()) {
                        acknowledged[s].push_back(batch);
                        ++acknowledgedSaves;
                    }
                } catch (const EConnectionError &) {
                    return; // the server is gone
                }
            }
        }));
        threads.back()->start();
    }
    // Killed in the middle of the savers' work, once a few saves have been acknowledged.
    constexpr int KillAfter = 2 * Savers;
    QDeadlineTimer deadline(60000);
    while (acknowledgedSaves < KillAfter && !deadline.hasExpired())
        QThread::msleep(5);
    server.kill();
    stop = true;
    for (auto &t : threads)
        ASSERT_TRUE(t->wait(60000));
    ASSERT_GE(acknowledgedSaves.load(), KillAfter) << "the savers did not get going";

    ASSERT_TRUE(server.start(server.databaseUrl())) << server.error().toStdString();
    TestClient after(server);
    QMap<int, int> perBatch;
    for (const QString &code : after.codes())
        ++perBatch[code.toInt() / Batch];
    for (auto it = perBatch.cbegin(); it != perBatch.cend(); ++it)
        EXPECT_EQ(it.value(), Batch) << "batch " << it.key() << " was half applied";
    for (const auto &mine : acknowledged)
        for (int batch : mine)
            EXPECT_EQ(perBatch.value(batch), Batch)
                << "acknowledged batch " << batch << " was lost";
}

TEST_P(Saving, TextsAreStoredAndReturnedAsSentAndMeasuredInCharacters)
{
    const QString emoji = u"😀"_qs;
    const QStringList names = {
        u"\uFEFFClientes"_qs,        // a leading U+FEFF is a character like any other
        emoji.repeated(30),          // 30 characters, 60 UTF-16 units
        u"Ação e 北京 e e\u0301"_qs, // a combining accent stays apart
    };
    QVector<packet::Change> inserts;
    for (int i = 0; i < names.size(); ++i)
        inserts << insert(dimension(QString::number(i + 1), names[i]));
    ASSERT_EQ(client->saveDimensions(ofDimensions(inserts)), "");
    EXPECT_EQ(TestClient::column(client->dimensions(), "NMITEMDIME"), names);
    EXPECT_EQ(client->dimensions("", names[0]).rows.size(), 1);
    EXPECT_TRUE(client->dimensions("", "Clientes").rows.isEmpty());
    EXPECT_EQ(client->dimensions("", names[1]).rows.size(), 1);

    // One character too many is refused, counted in characters; a NUL never reaches the
    // database, in a saved value or in an argument.
    const QList<std::pair<std::function<void()>, const char *>> refusals = {
        {[&] {
             client->saveDimensions(ofDimensions({insert(dimension("9", emoji.repeated(31)))}));
         },
         "31 caracteres"},
        {[&] { client->saveDimensions(ofDimensions({insert(dimension("9", u"a\u0000b"_qs))})); },
         "NUL"},
        {[&] { client->dimensions("", u"a\u0000b"_qs); }, "NUL"},
        {[&] {
             client->estrutura("getFields", {"D", u"CLIENTE\u0000"_qs});
         },
         "NUL"},
    };
    for (const auto &[call, mentions] : refusals) {
        SCOPED_TRACE(mentions);
        try {
            call();
            ADD_FAILURE() << "accepted";
        } catch (const EConnectionError &e) {
            EXPECT_TRUE(e.Message().contains(mentions)) << e.Message();
        }
    }
    EXPECT_EQ(client->codes(), QStringList({"00001", "00002", "00003"}));
}

TEST_P(Saving, ALockedDatabaseIsAnsweredAtTheStatementDeadline)
{
    ASSERT_TRUE(server.start(server.databaseUrl(), {"--statement-timeout", "1"}))
        << server.error().toStdString();
    client = std::make_unique<TestClient>(server);
    ASSERT_EQ(client->saveDimensions(ofDimensions({insert(dimension("1", "Um"))})), "");

    // Another application holds the write lock (on PostgreSQL, every lock on the table).
    {
        QSqlDatabase holder = DatabaseConfig::parse(server.databaseUrl()).addConnection("holder");
        ASSERT_TRUE(holder.open()) << holder.lastError().text();
        QSqlQuery lock(holder);
        ASSERT_TRUE(lock.exec(isPostgres() ? "BEGIN" : "BEGIN IMMEDIATE"));
        if (isPostgres()) {
            ASSERT_TRUE(lock.exec("LOCK TABLE dimensaodime IN ACCESS EXCLUSIVE MODE"));
        }
        QElapsedTimer clock;
        clock.start();
        const QString refused =
            client->saveDimensions(ofDimensions({insert(dimension("2", "Dois"))}));
        EXPECT_TRUE(refused.startsWith("O banco de dados não respondeu em 1 s")) << refused;
        EXPECT_LT(clock.elapsed(), 4000);
        lock.exec("ROLLBACK");
    }
    QSqlDatabase::removeDatabase("holder");
    // Nothing of the refused save was kept, and the same connection goes on.
    EXPECT_EQ(client->saveDimensions(ofDimensions({insert(dimension("3", "Três"))})), "");
    EXPECT_EQ(client->codes(), QStringList({"00001", "00003"}));
}

// Whatever cuts a save off (its deadline early, midway or at the commit, a lock another
// connection holds) nothing of it is stored or audited, and the answer names the cause.
TEST_P(Saving, ASaveCutOffAnywhereLeavesNothingBehind)
{
    ASSERT_EQ(client->saveDimensions(
                  ofDimensions({insert(dimension("1", "Um")), insert(dimension("2", "Dois"))})),
              "");
    const QStringList stored = dimensionsDirectly();
    const qint64 audited = countDirectly("AUDITORIASERVIDOR");
    const auto nothingLeftBehind = [&](const QString &answer) {
        EXPECT_EQ(dimensionsDirectly(), stored) << answer;
        EXPECT_EQ(countDirectly("AUDITORIASERVIDOR"), audited) << answer;
    };

    // Another connection holds what the save needs midway (PostgreSQL: the second record) or at
    // its commit (SQLite without WAL: a reader keeps the writer from committing).
    ASSERT_TRUE(server.start(server.databaseUrl(), {"--statement-timeout", "0.3"}));
    client = std::make_unique<TestClient>(server);
    {
        QSqlDatabase holder = DatabaseConfig::parse(server.databaseUrl()).addConnection("holder");
        ASSERT_TRUE(holder.open()) << holder.lastError().text();
        QSqlQuery hold(holder);
        ASSERT_TRUE(hold.exec("BEGIN"));
        ASSERT_TRUE(hold.exec("SELECT * FROM DIMENSAODIME WHERE NRSEQUEDIME = '00002'" +
                              QString(isPostgres() ? " FOR UPDATE" : "")));
        ASSERT_TRUE(hold.next());
        const QString answer = client->saveDimensions(
            ofDimensions({insert(dimension("3", "Três")),
                          modify(dimension("00002", "Dois"), dimension("2", "2")),
                          insert(dimension("4", "Quatro"))}));
        EXPECT_TRUE(answer.startsWith("O banco de dados não respondeu em 0.3 s")) << answer;
        hold.exec("ROLLBACK");
        nothingLeftBehind(answer);
    }
    QSqlDatabase::removeDatabase("holder");

    // Saves far longer than a tiny limit, each ending in a record the rules refuse: the deadline
    // meets them wherever they are, between statements or inside one, or even just before the
    // commit.
    ASSERT_TRUE(server.start(server.databaseUrl(),
                             {"--statement-timeout", isPostgres() ? "0.05" : "0.001"}))
        << server.error();
    client = std::make_unique<TestClient>(server);
    for (const int size : {9000, 15000, 21000}) {
        QVector<packet::Change> changes;
        for (int i = 0; i < size; ++i)
            changes << insert(dimension(QString::number(10000 + i), QString("Dimensão %1").arg(i)));
        changes << insert(dimension("5", ""));
        const QString answer = client->saveDimensions(ofDimensions(changes));
        EXPECT_TRUE(answer.startsWith("O banco de dados não respondeu") ||
                    answer == "Dimensão 00005: Nome de dimensão deve ser Informado. Nada foi gravado.")
            << answer.toStdString();
        nothingLeftBehind(answer);
    }
}

// A dry run's journal confirmed: every save in one transaction, or none of them.
TEST_P(Saving, AConfirmedJournalIsSavedWholeOrNotAtAll)
{
    ASSERT_EQ(client->saveDimensions(ofDimensions({insert(dimension("1", "Um"))})), "");
    ASSERT_EQ(client->saveExtras(ofExtras({insert(extra("00001", "CDCIDADE", "Cidade"))})), "");
    const auto save = [](const char *method, const Variant &delta) {
        return VarArrayOf({"KZR01200.rdmDimensao", method, VarArrayOf({delta})});
    };
    const auto confirm = [&](const QList<Variant> &saves) {
        return client->dimensaoConnection().callModule("KZR.Simulacao", "confirma",
                                                       {Variant::fromArray(saves)});
    };
    const Variant gone =
        save("setExtras", ofExtras({remove(extra("00001", "CDCIDADE", "Cidade"))}));
    const Variant table =
        save("SetDimensao",
             ofDimensions({modify(dimension("00001", "Um"),
                                  dimension("00001", "Um", "CIDADE", "CDCIDADE", "NMCIDADE"))}));
    const QStringList stored = dimensionsDirectly();
    const qint64 audited = countDirectly("AUDITORIASERVIDOR");

    const Variant twice = save("setExtras", ofExtras({insert(extra("00001", "SGUF", "UF")),
                                                      insert(extra("00001", "CDREGIAO", "UF"))}));
    EXPECT_EQ(TestClient::failureOf(confirm({gone, table, twice})),
              "Atributo extra CDREGIAO da dimensão 00001: Nome de atributo extra já cadastrado. Nada "
              "foi gravado.");
    EXPECT_EQ(dimensionsDirectly(), stored);
    EXPECT_EQ(TestClient::column(client->extras("00001"), "CDATRIBEXTRDIME"),
              QStringList{"CDCIDADE"});
    EXPECT_EQ(countDirectly("AUDITORIASERVIDOR"), audited);

    const Variant uf = save("setExtras", ofExtras({insert(extra("00001", "SGUF", "UF"))}));
    EXPECT_EQ(TestClient::failureOf(confirm({gone, table, uf})), "");
    EXPECT_EQ(TestClient::column(client->dimensions(), "CDTABELADIME"), QStringList{"CIDADE"});
    EXPECT_EQ(TestClient::column(client->extras("00001"), "CDATRIBEXTRDIME"), QStringList{"SGUF"});
    EXPECT_EQ(countDirectly("AUDITORIASERVIDOR"), audited + 3);
    EXPECT_THROW(
        confirm({VarArrayOf({"KZR01200.rdmDimensao", "getDimensao", VarArrayOf({"", ""})})}),
        EConnectionError); // only saves are confirmed
}

TEST_P(Saving, EveryListShowsWhatIsStoredWhoeverChangedIt)
{
    ASSERT_EQ(client->saveDimensions(ofDimensions(
                  {insert(dimension("20", "Vinte")), insert(dimension("40", "Quarenta"))})),
              "");
    auto answered = [&](const QVector<packet::Change> &changes) {
        return lines(
            TestClient::packetOf(client->dimensao("SetDimensao", {ofDimensions(changes)})));
    };
    // Changes at the head, in the middle, at the tail, a code that moves, several at once.
    const QList<QVector<packet::Change>> saves = {
        {insert(dimension("10", "Dez"))},
        {insert(dimension("30", "Trinta"))},
        {insert(dimension("50", "Cinquenta"))},
        {modify(dimension("00030", "Trinta"), dimension("00045", "Quarenta e cinco"))},
        {remove(dimension("00010", "Dez")),
         modify(dimension("00050", "Cinquenta"), dimension("00050", "Cinquenta", "PRODUTO")),
         insert(dimension("1", "Um"))},
    };
    for (const QVector<packet::Change> &changes : saves) {
        const QStringList answer = answered(changes);
        EXPECT_EQ(answer, dimensionsDirectly());
    }
    EXPECT_EQ(lines(client->dimensions()), dimensionsDirectly());

    // Another server on the same database: its change is in this server's next list and in
    // the answer to its next save.
    ServerProcess other;
    ASSERT_TRUE(other.start(server.databaseUrl())) << other.error().toStdString();
    TestClient elsewhere(other);
    ASSERT_EQ(elsewhere.saveDimensions(ofDimensions(
                  {modify(dimension("00020", "Vinte"), dimension("00020", "Vinte, de lá"))})),
              "");
    EXPECT_EQ(lines(client->dimensions()), dimensionsDirectly());
    // A refused save keeps nothing, not even once another change brings the table's count to
    // where the refused one had taken it.
    EXPECT_NE(client->saveDimensions(ofDimensions(
                  {insert(dimension("90", "Noventa")), insert(dimension("91", "Um"))})),
              "");
    ASSERT_EQ(elsewhere.saveDimensions(ofDimensions({insert(dimension("60", "Sessenta"))})), "");
    EXPECT_EQ(lines(client->dimensions()), dimensionsDirectly());
    const QStringList afterBoth = answered({insert(dimension("70", "Setenta"))});
    EXPECT_EQ(afterBoth, dimensionsDirectly());
    EXPECT_TRUE(afterBoth.join('\n').contains("Sessenta"));

    // Another program, straight into the table; then a code that is not in stored form.
    ASSERT_EQ(executeDirectly({"UPDATE DIMENSAODIME SET NMITEMDIME = 'Direto' WHERE NRSEQUEDIME = "
                               "'00040'"}),
              "");
    EXPECT_EQ(lines(client->dimensions()), dimensionsDirectly());
    ASSERT_EQ(executeDirectly({"DELETE FROM DIMENSAODIME WHERE NRSEQUEDIME = '00070'",
                               "INSERT INTO DIMENSAODIME (IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME) "
                               "VALUES ('N', '7', 'Sem zeros')"}),
              "");
    const QStringList afterDirect = answered({insert(dimension("80", "Oitenta"))});
    EXPECT_EQ(afterDirect, dimensionsDirectly());
    EXPECT_TRUE(afterDirect.join('\n').contains("Sem zeros"));
    const QStringList last =
        answered({modify(dimension("00080", "Oitenta"), dimension("00080", "Oitenta!"))});
    EXPECT_EQ(last, dimensionsDirectly());
    EXPECT_EQ(lines(elsewhere.dimensions()), dimensionsDirectly());
}

TEST_P(Saving, ADatabaseWithoutTheVersionTableIsServedAllTheSame)
{
    server.stop();
    // Something else already bears the version table's name, so it cannot be made.
    QStringList statements;
    if (isPostgres())
        statements << "DROP TRIGGER versaoservidor_dimensaodime ON dimensaodime";
    else
        for (const char *event : {"INSERT", "UPDATE", "DELETE"})
            statements << QString("DROP TRIGGER VERSAOSERVIDOR_DIMENSAODIME_%1").arg(event);
    statements << "DROP TABLE VERSAOSERVIDOR"
               << "CREATE VIEW VERSAOSERVIDOR AS SELECT 'DIMENSAODIME' AS NMTABELA, 0 AS NRVERSAO";
    ASSERT_EQ(executeDirectly(statements), "");
    ASSERT_TRUE(server.start(server.databaseUrl())) << server.error().toStdString();
    EXPECT_TRUE(server.output().contains("lista de dimensões será lida do banco a cada pedido"))
        << server.output().toStdString();
    client = std::make_unique<TestClient>(server);

    EXPECT_EQ(client->saveDimensions(ofDimensions({insert(dimension("1", "Um"))})), "");
    ASSERT_EQ(lines(client->dimensions()), dimensionsDirectly());
    ASSERT_EQ(executeDirectly({"UPDATE DIMENSAODIME SET NMITEMDIME = 'Direto'"}), "");
    EXPECT_EQ(lines(client->dimensions()), dimensionsDirectly());
    const packet::Packet saved = TestClient::packetOf(
        client->dimensao("SetDimensao", {ofDimensions({insert(dimension("2", "Dois"))})}));
    EXPECT_EQ(lines(saved), dimensionsDirectly());
    EXPECT_EQ(TestClient::column(saved, "NMITEMDIME"), QStringList({"Direto", "Dois"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, Saving, ::testing::Values("sqlite", "postgresql"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace

namespace {

TEST(DatabaseRestart, WorkersReconnectAfterPostgresRestarts)
{
    REQUIRE_POSTGRES(pg)
    const QString url = pg->createDatabase("kzr_restart");
    ASSERT_FALSE(url.isEmpty()) << pg->error();
    ServerProcess server;
    ASSERT_TRUE(server.start(url, {"--workers", "1"})) << server.error();
    TestClient client(server);
    ASSERT_EQ(
        client.saveDimensions(
            deltas::ofDimensions({deltas::insert(deltas::dimension("1", "Um", "", "", ""))})),
        "");

    ASSERT_TRUE(pg->restart()) << pg->error();
    // The one worker may report its broken connection once, as a failure reply; then it
    // reconnects and the data is all there.
    int failures = 0;
    QStringList codes;
    for (int attempt = 0; attempt < 6 && codes.isEmpty(); ++attempt) {
        const Variant reply = client.dimensao("getDimensao", {"", ""});
        if (server_failure::is(reply))
            ++failures;
        else
            codes = TestClient::column(TestClient::packetOf(reply), "NRSEQUEDIME");
    }
    RecordProperty("failure_replies", failures);
    EXPECT_LE(failures, 1);
    EXPECT_EQ(codes, QStringList{"00001"});

    // A worker that only gets saves recovers as well: a BEGIN on a dead connection drops it.
    ASSERT_TRUE(pg->restart()) << pg->error();
    int failedSaves = 0;
    bool saved = false;
    for (int attempt = 0; attempt < 6 && !saved; ++attempt) {
        const QString message = client.saveDimensions(
            deltas::ofDimensions({deltas::insert(deltas::dimension("2", "Dois", "", "", ""))}));
        saved = message.isEmpty();
        failedSaves += saved ? 0 : 1;
    }
    EXPECT_TRUE(saved);
    EXPECT_LE(failedSaves, 1);
    EXPECT_TRUE(server.running());
}

TEST(DatabaseRestart, ADatabaseThatStopsAnsweringIsAnsweredAtTheDeadline)
{
    REQUIRE_POSTGRES(pg)
    const QString url = pg->createDatabase("kzr_frozen");
    ASSERT_FALSE(url.isEmpty()) << pg->error();
    ServerProcess server;
    ASSERT_TRUE(
        server.start(url, {"--workers", "2", "--statement-timeout", "1", "--connect-timeout", "2"}))
        << server.error();
    // Each caller on a connection of its own thread; each has been answered once already.
    constexpr int Callers = 3;
    QSemaphore ready, paused;
    std::vector<QString> answers(Callers);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < Callers; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            TestClient mine(server);
            const bool first = mine.codes().isEmpty();
            ready.release();
            paused.acquire();
            try {
                answers[i] = first ? TestClient::failureOf(mine.dimensao("getDimensao", {"", ""}))
                                   : "no first answer";
            } catch (const EConnectionError &e) {
                answers[i] = e.Message();
            }
        }));
        threads.back()->start();
    }
    ready.acquire(Callers);
    ASSERT_TRUE(pg->pause()) << pg->error();
    struct Resume
    {
        PostgresInstance *pg;
        ~Resume() { pg->resume(); }
    } resume{pg};
    // Every call is answered: those the workers hold once their deadline has passed, the
    // others once connecting has failed in time.
    QElapsedTimer clock;
    clock.start();
    paused.release(Callers);
    for (auto &t : threads)
        ASSERT_TRUE(t->wait(40000));
    EXPECT_LT(clock.elapsed(), 12000);
    for (const QString &answer : answers)
        EXPECT_TRUE(answer.contains("não respondeu em")) << answer << server.output();

    pg->resume();
    // Once the server has seen the database answer again, so does every worker.
    TestClient after(server);
    EXPECT_EQ(after.failureUntilAnswered(10000), "");
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(after.codes().isEmpty());
    EXPECT_TRUE(server.running());
}

} // namespace
