// kzr-admin against a real server on the demo application: what export writes, what check
// finds and how it ends, and how the command line and the host's settings pick the server.
#include "AdminTool.h"

#include "ServerProcess.h"
#include "TestCertificates.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int code = -1;
    QString out;
    QString err;
};

// The fixture's user, as an administrator's job would give it: name and a password file.
inline QStringList credentials(const ServerProcess &server)
{
    const QString file = server.tempPath(QStringLiteral("senha"));
    QFile password(file);
    if (password.open(QIODevice::WriteOnly)) password.write(server.password().toUtf8() + "\n");
    return {QStringLiteral("--user"), server.userName(), QStringLiteral("--password-file"), file};
}

class Admin : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_admin";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }

    void SetUp() override { ASSERT_TRUE(server.start()) << server.error().toStdString(); }

    Outcome admin(QStringList args, bool withPort = true)
    {
        if (withPort) args << "--port" << QString::number(server.port());
        args << (who.isEmpty() ? credentials(server) : who);
        // Never the settings of whoever runs the tests.
        if (!args.contains("--settings")) args << "--settings" << server.tempPath("none.ini");
        Outcome run;
        QTextStream out(&run.out), err(&run.err);
        run.code = AdminTool::run(QStringList{"kzr-admin"} + args, out, err);
        return run;
    }

    // Changes the application's data behind the server's back, as another program would.
    void execute(const QString &sql)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "direct");
            db.setDatabaseName(server.sqlitePath());
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase("direct");
    }

    ServerProcess server;
    QStringList who; // another user's credentials, when set
};

TEST_F(Admin, ExportWritesEveryDimensionWithItsExtrasAsJsonAndCsv)
{
    const Outcome json = admin({"export"});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    const QJsonArray dimensions =
        QJsonDocument::fromJson(json.out.toUtf8()).object().value("dimensoes").toArray();
    ASSERT_EQ(dimensions.size(), 5);
    const QJsonObject first = dimensions[0].toObject();
    EXPECT_EQ(first.value("NRSEQUEDIME").toString(), "00001");
    EXPECT_EQ(first.value("NMITEMDIME").toString(), "Clientes");
    EXPECT_TRUE(first.value("DSPKDIME2").isNull());
    const QJsonArray extras = first.value("extras").toArray();
    ASSERT_EQ(extras.size(), 3);
    EXPECT_EQ(extras[2].toObject(), QJsonObject({{"CDATRIBEXTRDIME", "DTCADASTRO"},
                                                 {"DSATRIBEXTRDIME", "Data de Cadastro"}}));
    EXPECT_EQ(dimensions[4].toObject().value("DSPKDIME2").toString(), "CDSUPERVISOR");
    EXPECT_TRUE(dimensions[2].toObject().value("extras").toArray().isEmpty());

    // A name that needs quoting, and an empty text next to a null.
    execute("UPDATE DIMENSAODIME SET NMITEMDIME = 'Cidades, \"UF\"', DSPKDIME2 = '' "
            "WHERE NRSEQUEDIME = '00004'");
    const QString file = server.tempPath("dimensoes.csv");
    ASSERT_EQ(admin({"export", "--format", "csv", "--output", file}).code, 0);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(written.readAll()).split("\r\n");
    ASSERT_EQ(lines.size(), 1 + 5 + 7 + 1); // header, dimensions, extras, and the last line's end
    EXPECT_EQ(lines[0], "REGISTRO,IDDIMENSAODW,NRSEQUEDIME,NMITEMDIME,CDTABELADIME,DSPKDIME,"
                        "DSITEMDIME,DSPKDIME2,CDATRIBEXTRDIME,DSATRIBEXTRDIME");
    EXPECT_EQ(lines[1], "DIMENSAO,S,00001,Clientes,CLIENTE,CDCLIENTE,NMCLIENTE,,,");
    EXPECT_EQ(lines[2], "EXTRA,,00001,,,,,,CDCIDADE,Cidade");
    EXPECT_TRUE(
        lines.contains("DIMENSAO,N,00004,\"Cidades, \"\"UF\"\"\",CIDADE,CDCIDADE,NMCIDADE,\"\",,"))
        << lines.join("\n").toStdString();
}

TEST_F(Admin, CheckReportsEachDimensionAndFailsWhenTheDataHasAProblem)
{
    const Outcome clean = admin({"check"});
    EXPECT_EQ(clean.code, 0) << clean.out.toStdString() << clean.err.toStdString();
    EXPECT_TRUE(
        clean.out.contains("OK       00005 Vendedores (VENDEDOR): 4 membros · chave única · "
                           "0 órfãos · profundidade 3\n"))
        << clean.out.toStdString();
    EXPECT_TRUE(clean.out.endsWith("5 dimensão(ões) verificada(s), 0 com problema.\n"));
    // A user who may only read checks as well.
    ASSERT_TRUE(server.addUser("leitor", "read-only", "ler"));
    QFile password(server.tempPath("ler"));
    ASSERT_TRUE(password.open(QIODevice::WriteOnly) && password.write("ler\n") == 4);
    password.close();
    who = QStringList{"--user", "leitor", "--password-file", password.fileName()};
    EXPECT_EQ(admin({"check"}).out, clean.out);
    who.clear();

    execute("INSERT INTO VENDEDOR VALUES (5, 'Eva Rocha', 99), (6, 'Fábio', 7), (7, 'Gil', 6)");
    execute("UPDATE DIMENSAODIME SET CDTABELADIME = 'SUMIU' WHERE NRSEQUEDIME = '00004'");
    execute("UPDATE DIMENSAODIME SET NMITEMDIME = 'Clientes ' WHERE NRSEQUEDIME = '00003'");
    // A dimension put over the server's users behind its back shows nothing of them.
    execute("UPDATE DIMENSAODIME SET CDTABELADIME = 'USUARIOSERVIDOR', DSPKDIME = 'NMUSUARIO', "
            "DSITEMDIME = 'DSSENHA', DSPKDIME2 = NULL WHERE NRSEQUEDIME = '00003'");
    execute("INSERT INTO ATRIBEXTRADIME (NRSEQUEDIME, CDATRIBEXTRDIME, DSATRIBEXTRDIME) "
            "VALUES ('00001', 'IMFOTO', 'Foto')");
    const Outcome broken = admin({"check"});
    // What the server would no longer store, each with the screen's text.
    for (const char *rule : {"REGRA    00004: Tabela \"SUMIU\" inválida.\n",
                             "REGRA    00003: Tabela \"USUARIOSERVIDOR\" inválida.\n",
                             "REGRA    00001 atributo extra IMFOTO: Campo \"IMFOTO\" é de tipo não "
                             "permitido para constituir uma dimensão.\n"})
        EXPECT_TRUE(broken.out.contains(rule)) << broken.out.toStdString();
    EXPECT_EQ(broken.code, 1);
    EXPECT_TRUE(broken.out.contains("NOME     00001 \"Clientes\" e 00003 \"Clientes \": diferem só "
                                    "por espaços nas pontas\n"));
    EXPECT_TRUE(
        broken.out.contains("PROBLEMA 00005 Vendedores (VENDEDOR): 7 membros · chave única · "
                            "1 órfão (ex.: 99) · 1 ciclo (ex.: 6 → 7 → 6) · profundidade 3\n"))
        << broken.out.toStdString();
    EXPECT_TRUE(
        broken.out.contains("PROBLEMA 00004 Cidades (SUMIU): a tabela \"SUMIU\" não existe\n"));
    EXPECT_FALSE(broken.out.contains("argon2")) << broken.out.toStdString();
    EXPECT_TRUE(broken.out.contains(": a tabela \"USUARIOSERVIDOR\" não existe\n"))
        << broken.out.toStdString();

    const Outcome json = admin({"check", "--format", "json"});
    EXPECT_EQ(json.code, 1);
    const QJsonObject report = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_TRUE(report.value("problemas").toBool());
    // The three above, and the two extras of 00004, whose table is gone.
    EXPECT_EQ(report.value("fora_das_regras").toArray().size(), 5);
    const QJsonObject sellers =
        report.value("dimensoes").toArray()[4].toObject().value("perfil").toObject();
    EXPECT_EQ(sellers.value("LINHAS").toInteger(), 7);
    EXPECT_EQ(sellers.value("EXEMPLO_ORFAO").toArray(), QJsonArray({"99"}));
    EXPECT_EQ(sellers.value("CICLO").toArray(), QJsonArray({"6", "7", "6"}));
    EXPECT_EQ(sellers.value("problemas").toArray().size(), 2);
}

TEST_F(Admin, MembersWritesADimensionsTreeAsNestedJsonOrCsvWithLevels)
{
    // An orphan, and a cycle that no way down from the top reaches.
    execute("INSERT INTO VENDEDOR VALUES (5, 'Eva, \"E\"', 99), (6, 'Fábio', 7), (7, 'Gil', 6)");
    const QString file = server.tempPath("membros.csv");
    ASSERT_EQ(admin({"members", "00005", "--format", "csv", "--output", file}).code, 0);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              "CDMEMBRO,NMMEMBRO,CDPAI,NIVEL\r\n1,Ana Souza,,1\r\n2,Bruno Lima,1,2\r\n"
              "4,Diego Alves,2,3\r\n3,Carla Dias,1,2\r\n5,\"Eva, \"\"E\"\"\",99,1\r\n");

    const Outcome json = admin({"members", "00005"});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    const QJsonArray top =
        QJsonDocument::fromJson(json.out.toUtf8()).object().value("membros").toArray();
    ASSERT_EQ(top.size(), 2) << json.out.toStdString();
    const QJsonArray below = top[0].toObject().value("filhos").toArray();
    EXPECT_EQ(below[0].toObject().value("filhos").toArray()[0].toObject().value("NMMEMBRO"),
              "Diego Alves");
    EXPECT_EQ(below[1].toObject(), QJsonObject({{"CDMEMBRO", "3"},
                                                {"NMMEMBRO", "Carla Dias"},
                                                {"IDSITUACAO", ""},
                                                {"filhos", QJsonArray()}}));
    EXPECT_EQ(top[1].toObject().value("IDSITUACAO"), "O");

    const Outcome flat = admin({"members", "00004", "--format", "csv"});
    EXPECT_EQ(flat.out.count(",1\r\n"), 5) << flat.out.toStdString();
    const Outcome unknown = admin({"members", "00009"});
    EXPECT_EQ(unknown.code, 3);
    EXPECT_EQ(unknown.err, "kzr-admin: Não há dimensão com o código \"00009\".\n");
}

TEST_F(Admin, TheServerComesFromTheHostsSettingsUnlessTheCommandLineSaysOtherwise)
{
    const QString settings = server.tempPath("kzr-host.ini");
    {
        QFile ini(settings);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QString("[server]\nhost=127.0.0.1\nport=%1\n").arg(server.port()).toUtf8());
    }
    EXPECT_EQ(admin({"check", "--settings", settings}, false).code, 0);
    // Port 1 on loopback has no server: the command line wins, and the failure is clear.
    const Outcome unreachable = admin({"check", "--settings", settings, "--port", "1"}, false);
    EXPECT_EQ(unreachable.code, 3);
    EXPECT_TRUE(unreachable.err.startsWith("kzr-admin: ")) << unreachable.err.toStdString();
}

TEST_F(Admin, ReachesAServerOverTlsTrustingAsTheHostDoes)
{
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make()) << certificates.error().toStdString();
    ASSERT_TRUE(server.start({}, {"--tls-cert", certificates.serverCertificate(), "--tls-key",
                                  certificates.serverKey()}))
        << server.error().toStdString();
    const QString settings = server.tempPath("kzr-host.ini");
    {
        QSettings ini(settings, QSettings::IniFormat);
        ini.setValue("server/port", server.port());
        ini.setValue("server/cafile", certificates.authority());
    }
    EXPECT_EQ(admin({"export", "--settings", settings}, false).code, 0);
    {
        // The certificate the host's user accepted, over the TLS its settings name.
        QSettings ini(settings, QSettings::IniFormat);
        ini.remove("server/cafile");
        ini.setValue("server/tls", true);
        ini.setValue("server/fingerprint", certificates.serverFingerprint());
    }
    EXPECT_EQ(admin({"export", "--settings", settings}, false).code, 0);
    // Authorities named on the command line alone decide: the fingerprint no longer counts.
    EXPECT_EQ(
        admin({"export", "--settings", settings, "--ca-file", certificates.otherAuthority()}, false)
            .code,
        3);
    EXPECT_EQ(admin({"export", "--ca-file", certificates.authority()}).code, 0);
    EXPECT_EQ(admin({"export", "--tls"}).code, 3); // no one vouches for it
}

TEST_F(Admin, ThePasswordComesFromAFileOrFromStandardInput)
{
    const auto exportWith = [&](const QStringList &args, const QByteArray &input) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("KZR_PASSWORD");
        program.setProcessEnvironment(environment);
        program.start(KZR_ADMIN_PROGRAM,
                      QStringList{"export", "--port", QString::number(server.port()), "--settings",
                                  server.tempPath("none.ini"), "--user", server.userName()} +
                          args);
        program.write(input);
        program.closeWriteChannel();
        EXPECT_TRUE(program.waitForFinished(60000));
        return program.exitCode();
    };
    EXPECT_EQ(exportWith({}, server.password().toUtf8() + "\n"), 0);
    EXPECT_NE(exportWith({}, "errada\n"), 0);
    // A file written on any system: its first line ends at "\r" as at "\n".
    QFile file(server.tempPath("senha-antiga"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(server.password().toUtf8() + "\rlinha seguinte\n");
    file.close();
    EXPECT_EQ(exportWith({"--password-file", file.fileName()}, {}), 0);
}

TEST_F(Admin, ACommandLineItCannotUseEndsWithUsageErrors)
{
    const QList<QStringList> cases = {
        {},
        {"import"},
        {"import", "a.json", "b.json"},
        {"export", "--dry-run"},
        {"validate"},
        {"check", "--format", "csv"},
        {"export", "--format", "text"},
        {"check", "--port", "70000"},
        {"check", "export"},
        {"members"},
        {"members", "00001", "--format", "text"},
    };
    for (const QStringList &args : cases) {
        const Outcome run = admin(args, false);
        EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith("kzr-admin: ")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST_F(Admin, TheProgramEndsWithTheCheckVerdict)
{
    execute("INSERT INTO CLIENTE (CDCLIENTE, NMCLIENTE) VALUES (6, '   ')");
    QProcess program;
    program.start(KZR_ADMIN_PROGRAM, QStringList{"check", "--port", QString::number(server.port()),
                                                 "--settings", server.tempPath("none.ini")} +
                                         credentials(server));
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(program.readAllStandardOutput())
                    .contains("PROBLEMA 00001 Clientes (CLIENTE): 6 membros · chave única · "
                              "1 atributo principal vazio · profundidade 1\n"));

    // Its help speaks Portuguese, Qt's own lines included.
    program.start(KZR_ADMIN_PROGRAM, {"--help"});
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString help = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_TRUE(help.startsWith("Uso: ") && help.contains("Opções:") && !help.contains("Displays"))
        << help.toStdString();
}

} // namespace
