// kzr-admin import: a file applied through the screen itself, run offscreen by the real
// program against a real server. Refusals carry the screen's own messages.
#include "ServerProcess.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The fixture's user, as an administrator's job would give it: name and a password file.
inline QStringList credentials(const ServerProcess &server)
{
    const QString file = server.tempPath(QStringLiteral("senha"));
    QFile password(file);
    if (password.open(QIODevice::WriteOnly)) password.write(server.password().toUtf8() + "\n");
    return {QStringLiteral("--user"), server.userName(), QStringLiteral("--password-file"), file};
}

class Import : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.error().toStdString(); }

    struct Outcome
    {
        int code = -1;
        QString out;
        QString err;
    };

    Outcome admin(const QStringList &args)
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TZ", "America/Sao_Paulo"); // local time is not UTC
        program.setProcessEnvironment(env);
        program.start(KZR_ADMIN_PROGRAM,
                      args + QStringList{"--port", QString::number(server.port()), "--settings",
                                         server.tempPath("none.ini")} +
                          credentials(server));
        EXPECT_TRUE(program.waitForFinished(120000));
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    QJsonArray exported()
    {
        const Outcome run = admin({"export"});
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out.toUtf8()).object().value("dimensoes").toArray();
    }

    QString write(const QString &name, const QJsonArray &dimensions)
    {
        QString path = server.tempPath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"dimensoes", dimensions}}).toJson());
        return path;
    }

    ServerProcess server;
};

QJsonObject dimension(const QString &code, const QString &name, const QString &table,
                      const QString &key, const QString &attribute)
{
    return {{"IDDIMENSAODW", "S"},           {"NRSEQUEDIME", code},   {"NMITEMDIME", name},
            {"CDTABELADIME", table},         {"DSPKDIME", key},       {"DSITEMDIME", attribute},
            {"DSPKDIME2", QJsonValue::Null}, {"extras", QJsonArray()}};
}

TEST_F(Import, AppliesAFileThroughTheScreensRulesAndReportsEachRefusal)
{
    const QJsonArray before = exported();
    ASSERT_EQ(before.size(), 5);
    QJsonArray wanted = before;
    // 00002: another flag; VLPRECO left out; PCDESCONTO, a floating-point column, asked for.
    QJsonObject products = wanted[1].toObject();
    products["IDDIMENSAODW"] = "N";
    products["extras"] =
        QJsonArray{products["extras"].toArray()[0],
                   QJsonObject{{"CDATRIBEXTRDIME", "PCDESCONTO"}, {"DSATRIBEXTRDIME", "Desconto"}}};
    wanted[1] = products;
    // 00004: renamed, and its extra SGUF too.
    QJsonObject cities = wanted[3].toObject();
    cities["NMITEMDIME"] = "Municípios";
    QJsonArray cityExtras = cities["extras"].toArray();
    ASSERT_EQ(cityExtras[1].toObject()["CDATRIBEXTRDIME"].toString(), "SGUF");
    cityExtras[1] = QJsonObject{{"CDATRIBEXTRDIME", "SGUF"}, {"DSATRIBEXTRDIME", "Estado"}};
    cities["extras"] = cityExtras;
    wanted[3] = cities;
    QJsonObject segments =
        dimension("12", "Clientes por segmento", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    segments["extras"] =
        QJsonArray{QJsonObject{{"CDATRIBEXTRDIME", "DSSEGMENTO"}, {"DSATRIBEXTRDIME", "Segmento"}}};
    wanted.append(segments);
    wanted.append(dimension("15", QString(48, 'x'), "REGIAO", "CDREGIAO", "NMREGIAO")); // too long
    wanted.append(dimension("13", "Clientes", "REGIAO", "CDREGIAO", "NMREGIAO")); // name taken
    wanted.append(dimension("14", "Sem tabela", "NADA", "CDNADA", "NMNADA"));
    const QString file = write("dimensoes.json", wanted);

    // A dry run changes nothing and says, line by line, what the real run then does.
    const Outcome dry = admin({"import", file, "--dry-run"});
    EXPECT_EQ(dry.code, 1) << dry.err.toStdString();
    EXPECT_EQ(exported(), before);

    const Outcome run = admin({"import", file});
    EXPECT_EQ(run.code, 1) << run.out.toStdString() << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("RECUSADO dimensão 00015 (item 7): Valor excede o tamanho do "
                               "campo \"Nome\" (máximo 30 caracteres)."))
        << run.out.toStdString();
    EXPECT_TRUE(lines.contains("RECUSADO dimensão 00013 (item 8): Nome já cadastrado."));
    EXPECT_TRUE(lines.contains("RECUSADO dimensão 00014 (item 9): Tabela \"NADA\" inválida."));
    EXPECT_TRUE(
        lines.contains("RECUSADO atributo extra PCDESCONTO da dimensão 00002: Campo "
                       "\"PCDESCONTO\" é de tipo não permitido para constituir uma dimensão."));
    EXPECT_TRUE(lines.contains("alterada a dimensão 00004: Nome")) << run.out.toStdString();
    EXPECT_TRUE(lines.contains("a dimensão 00002 deixou de constar do cubo"));
    EXPECT_EQ(lines.last(), "2 inclusão(ões), 3 alteração(ões), 1 exclusão(ões), 4 recusa(s).");
    static const QRegularExpression lineStart("^", QRegularExpression::MultilineOption);
    EXPECT_EQ(dry.out, QString(run.out).replace(lineStart, "(simulação) "));

    const QJsonArray after = exported();
    ASSERT_EQ(after.size(), 6);
    EXPECT_EQ(after[1].toObject()["IDDIMENSAODW"].toString(), "N");
    EXPECT_EQ(after[1].toObject()["extras"].toArray().size(), 1);
    EXPECT_EQ(after[3].toObject()["NMITEMDIME"].toString(), "Municípios");
    EXPECT_EQ(after[3].toObject()["extras"].toArray()[1].toObject()["DSATRIBEXTRDIME"].toString(),
              "Estado");
    EXPECT_EQ(after[5].toObject()["NRSEQUEDIME"].toString(), "00012");
    EXPECT_EQ(after[5].toObject()["extras"].toArray().size(), 1);

    // What export wrote, imported again, changes nothing.
    const QString csv = server.tempPath("dimensoes.csv");
    ASSERT_EQ(admin({"export", "--format", "csv", "--output", csv}).code, 0);
    const Outcome again = admin({"import", csv});
    EXPECT_EQ(again.code, 0) << again.out.toStdString() << again.err.toStdString();
    EXPECT_EQ(again.out, "0 inclusão(ões), 0 alteração(ões), 0 exclusão(ões), 0 recusa(s).\n");

    // A file that is not there, or not whole, is said so in Portuguese.
    EXPECT_TRUE(admin({"import", server.tempPath("nada.json")}).err.endsWith(": o arquivo não existe\n"));
    QFile cut(server.tempPath("cortado.json"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly) && cut.write("{\"dimensoes\": [\n{") > 0);
    cut.close();
    EXPECT_TRUE(admin({"import", cut.fileName()})
                    .err.endsWith("kzr-admin: Arquivo inválido (linha 2): um objeto não termina (falta \"}\")\n"));
}

TEST_F(Import, DeletesWhatTheFileLeavesOutOnlyWhenAskedAndAsTheScreenAllows)
{
    QJsonArray wanted = exported();
    wanted.removeAt(4); // 00005 Vendedores: no extras, may go
    wanted.removeAt(0); // 00001 Clientes: has extras, the screen refuses
    const QString file = write("menos.json", wanted);
    EXPECT_EQ(admin({"import", file}).code, 0);
    EXPECT_EQ(exported().size(), 5);

    const Outcome run = admin({"import", file, "--delete-missing"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains("excluída a dimensão 00005\n")) << run.out.toStdString();
    EXPECT_TRUE(
        run.out.contains("RECUSADO dimensão 00001: Erro no servidor de aplicação: A dimensão 00001 "
                         "possui atributos extras e não pode ser excluída."))
        << run.out.toStdString();
    EXPECT_EQ(exported().size(), 4);
}

// A deleted dimension comes back, extras and all, through the screen, audited anew.
TEST_F(Import, RestoresADeletedDimensionFromItsHistory)
{
    const QJsonArray stored = exported();
    QJsonObject segments =
        dimension("12", "Clientes por segmento", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    segments["extras"] =
        QJsonArray{QJsonObject{{"CDATRIBEXTRDIME", "DSSEGMENTO"}, {"DSATRIBEXTRDIME", "Segmento"}}};
    ASSERT_EQ(admin({"import", write("com.json", QJsonArray(stored) << segments)}).code, 0);
    segments["extras"] = QJsonArray();
    ASSERT_EQ(admin({"import", write("sem-extras.json", QJsonArray(stored) << segments)}).code, 0);
    ASSERT_EQ(admin({"import", write("sem.json", stored), "--delete-missing"}).code, 0);

    const Outcome text = admin({"history", "12"});
    EXPECT_EQ(text.out.count('\n'), 4) << text.out.toStdString();
    EXPECT_TRUE(text.out.section('\n', 0, 0).contains("\tdelete\tdimension\t00012\t"));
    const QJsonArray history =
        QJsonDocument::fromJson(admin({"history", "12", "--format", "json"}).out.toUtf8()).array();
    ASSERT_EQ(history.size(), 4);
    const QString at = history[2].toObject()["when"].toString(); // the extra just added

    // Moments as shown (local time, to the second, the zone said) are taken back as typed: the
    // version in force at the end of that second. Codes go short everywhere; an unknown one fails.
    const QString shown = text.out.section('\n', 2, 2).section('\t', 0, 0);
    EXPECT_TRUE(shown.endsWith("-03:00")) << shown.toStdString();
    const QDateTime endOfSecond = QDateTime::fromString(shown, Qt::ISODate).addMSecs(999);
    QString inForce;
    for (const auto &change : history)
        if (inForce.isEmpty() && QDateTime::fromString(change.toObject()["when"].toString(), Qt::ISODateWithMs) <= endOfSecond)
            inForce = change.toObject()["when"].toString();
    const Outcome typed = admin({"restore", "12", "--at", shown.left(19), "--dry-run"});
    EXPECT_TRUE(typed.out.startsWith("(simulação) versão de " + inForce + " ")) << typed.out.toStdString() << typed.err.toStdString();
    EXPECT_EQ(admin({"members", "1"}).code, 0);
    const Outcome unknown = admin({"history", "99"});
    EXPECT_EQ(unknown.code, 3);
    EXPECT_EQ(unknown.err, "kzr-admin: Não há dimensão com o código \"00099\".\n");

    // While another dimension holds its name, the dry run is refused just as the restore.
    const QJsonObject namesake =
        dimension("13", "Clientes por segmento", "CLIENTE", "CDCLIENTE", "NMCLIENTE");
    ASSERT_EQ(admin({"import", write("outra.json", QJsonArray(stored) << namesake)}).code, 0);
    const Outcome refusedDry = admin({"restore", "12", "--at", at, "--dry-run"});
    const Outcome refused = admin({"restore", "12", "--at", at});
    EXPECT_EQ(refusedDry.code, 1);
    EXPECT_TRUE(refused.out.contains("RECUSADO dimensão 00012: ")) << refused.out.toStdString();
    EXPECT_EQ(QString(refusedDry.out).remove("(simulação) "), refused.out);
    ASSERT_EQ(admin({"import", write("sem.json", stored), "--delete-missing"}).code, 0);

    const Outcome dry = admin({"restore", "12", "--at", at, "--dry-run"});
    EXPECT_EQ(dry.code, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains("(simulação) atributo extra DSSEGMENTO: incluído \"Segmento\""))
        << dry.out.toStdString();
    EXPECT_EQ(exported().size(), stored.size());
    const Outcome run = admin({"restore", "12", "--at", at});
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    const QJsonArray after = exported();
    ASSERT_EQ(after.size(), stored.size() + 1);
    EXPECT_EQ(after.last().toObject()["extras"].toArray().size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(admin({"history", "12", "--format", "json"}).out.toUtf8())
                  .array()
                  .size(),
              6);
}

} // namespace
