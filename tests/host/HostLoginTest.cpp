// The host's one login against a real server: asking again with the reason, remembering the
// name but never the password, a new login when the session ends, and trusting a certificate.
#include "HostMainWindow.h"
#include "OpsPage.h"
#include "ScriptedInteraction.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "Services.h"
#include "TNetConnection.h"
#include "TestCertificates.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class HostLoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto scripted = std::make_unique<ScriptedInteraction>();
        seam = scripted.get();
        Interaction::install(std::move(scripted));
        options.settingsFile = settings.filePath("kzr-host.ini");
    }
    void TearDown() override
    {
        Interaction::install(nullptr);
        TApplication::SetHost(nullptr);
    }
    void startServer(const QStringList &args = {})
    {
        ASSERT_TRUE(server.start({}, args)) << server.error().toStdString();
        ASSERT_TRUE(server.addUser("ana", "maintain", "segredo-da-ana")) << server.error().toStdString();
        options.port = server.port();
    }
    QStringList loginMessages() const
    {
        QStringList texts;
        for (const auto &shown : seam->shown)
            if (shown.kind == ScriptedInteraction::Shown::Login) texts << shown.text;
        return texts;
    }
    QString settingsText() const
    {
        QFile file(options.settingsFile);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    ScriptedInteraction *seam = nullptr;
    QTemporaryDir settings;
    HostOptions options;
    ServerProcess server;
};

TEST_F(HostLoginTest, AWrongPasswordAsksAgainWithTheReasonAndOnlyTheNameIsKept)
{
    startServer();
    seam->loginAnswers.push(LoginAnswer{"ana", "errada"});
    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    HostLogin login(options);
    ASSERT_TRUE(login.logIn());
    EXPECT_EQ(loginMessages(), QStringList({"", "Usuário ou senha inválidos."}));
    EXPECT_EQ(login.role(), "maintain");
    EXPECT_FALSE(login.access().sessionToken.isEmpty());

    QString error;
    EXPECT_EQ(HostOptions::fromArguments({"kzr-host", "--settings", options.settingsFile}, &error).user,
              "ana");
    EXPECT_FALSE(settingsText().contains("segredo")) << settingsText().toStdString();
    EXPECT_FALSE(settingsText().contains(login.access().sessionToken));
    EXPECT_FALSE(login.access().readOnly);

    // A user who may only read is shown as such, and the access every screen gets says so.
    ASSERT_TRUE(server.addUser("leitor", "read-only", "ler")) << server.error().toStdString();
    seam->loginAnswers.push(LoginAnswer{"leitor", "ler"});
    HostMainWindow window(options);
    ASSERT_TRUE(window.logIn());
    EXPECT_TRUE(window.serverAccess().readOnly);
    EXPECT_EQ(window.findChild<QLabel *>("lblUsuario")->text(),
              "Usuário: leitor (somente leitura)");

    // Cancelling gives up; an unreachable server is said in the dialog.
    options.port = 1;
    HostLogin nowhere(options);
    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    EXPECT_FALSE(nowhere.logIn());
    EXPECT_TRUE(loginMessages().last().contains("Não foi possível conectar")) << loginMessages().last().toStdString();
}

// Unattended, the login goes out while the window is being built: a password file the server
// refuses still brings the dialog with the server's reason, giving up leaves no session, and the
// right one lets the user in without a dialog.
TEST_F(HostLoginTest, APasswordFileSentWhileTheWindowIsBuiltIsAnsweredAsIfAskedThen)
{
    startServer();
    QFile file(settings.filePath("senha"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("errada\n");
    file.close();
    options.user = "ana";
    options.passwordFile = file.fileName();
    {
        HostMainWindow window(options);
        EXPECT_FALSE(window.logIn());
        EXPECT_EQ(loginMessages(), QStringList({"Usuário ou senha inválidos."}));
        EXPECT_TRUE(window.serverAccess().sessionToken.isEmpty());
    }
    seam->shown.clear();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("segredo-da-ana\rwritten on an old system\n"); // a line ends at "\r" too
    file.close();
    // The screen's package is loaded while the server checks: one that is missing says
    // nothing then, and is reported when its screen opens.
    options.open = {"KZR01200"};
    options.packageDir = settings.path();
    HostMainWindow window(options);
    ASSERT_TRUE(window.logIn());
    EXPECT_TRUE(seam->shown.empty());
    EXPECT_FALSE(window.serverAccess().sessionToken.isEmpty());
    EXPECT_FALSE(window.openScreen("KZR01200"));
    ASSERT_EQ(seam->shown.size(), 1u);
    EXPECT_TRUE(seam->shown[0].text.contains("Não foi possível carregar o pacote"))
        << seam->shown[0].text.toStdString();
}

TEST_F(HostLoginTest, AnEndedSessionIsReportedAndTheLoginComesBack)
{
    startServer({"--session-idle", "1", "--metrics", "127.0.0.1:0"});
    HostMainWindow window(options);
    TApplication::SetHost(&window);
    seam->loginAnswers.push(LoginAnswer{"demo", "demo"});
    ASSERT_TRUE(window.logIn());
    EXPECT_EQ(window.findChild<QLabel *>("lblUsuario")->text(), "Usuário: demo (manutenção)");

    // A screen's connection: host, port and now the session from the framework.
    TNetConnection net(nullptr, "netDimensao");
    net.SetServerName("KZR01200.rdmDimensao");
    net.SetHost(WebURL());
    net.SetPort(WebPort());
    net.SetConnected(true);
    EXPECT_NO_THROW(CheckResultServ(net.AppServer().Call("getDimensao", {"", ""})));
    TNetConnection valida(nullptr, "netValida");
    valida.SetServerName("KZR00600.rdmEstrutura");
    valida.SetHost(WebURL());
    valida.SetPort(WebPort());
    valida.SetConnected(true);
    EXPECT_NO_THROW(CheckResultServ(valida.AppServer().Call("getFields", {"D", "CLIENTE"})));

    const OpsPage ops(server);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ops.metric("kzr_sessions") == 0; }, 5000));
    window.saveFailed("A sessão expirou por inatividade.");
    try {
        CheckResultServ(net.AppServer().Call("getDimensao", {"", ""}));
        FAIL() << "served after the session ended";
    } catch (const EServerFailure &e) {
        EXPECT_EQ(e.Message(), "A sessão expirou por inatividade. Entre novamente com usuário e senha.");
    }
    seam->loginAnswers.push(LoginAnswer{"demo", "demo"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return loginMessages().size() == 2; }, 5000));
    EXPECT_EQ(loginMessages().last(), "A sessão expirou por inatividade. Entre novamente com usuário e senha.");
    EXPECT_EQ(window.statusText(), ""); // the failure the ended session caused no longer stands
    EXPECT_NO_THROW(CheckResultServ(net.AppServer().Call("getDimensao", {"", ""})));
    // The other connection's socket is still open on the old session: it joins the new one.
    EXPECT_NO_THROW(CheckResultServ(valida.AppServer().Call("getFields", {"D", "CLIENTE"})));
    EXPECT_EQ(loginMessages().size(), 2);
}

TEST_F(HostLoginTest, AnUnknownCertificateIsTrustedOnlyOnceTheUserAcceptsItsFingerprint)
{
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make()) << certificates.error().toStdString();
    startServer({"--tls-cert", certificates.serverCertificate(), "--tls-key", certificates.serverKey()});
    options.tls = true;

    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    seam->dialogAnswers.push(mrNo);
    EXPECT_FALSE(HostLogin(options).logIn());
    ASSERT_EQ(seam->messages().size(), 1);
    EXPECT_TRUE(seam->messages().first().contains(certificates.serverFingerprint()));
    EXPECT_FALSE(settingsText().contains("fingerprint"));

    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    seam->dialogAnswers.push(mrYes);
    EXPECT_TRUE(HostLogin(options).logIn());

    // From the settings, the accepted certificate needs no question any more.
    QString error;
    const HostOptions again = HostOptions::fromArguments(
        {"kzr-host", "--settings", options.settingsFile, "--port", QString::number(server.port()), "--tls"},
        &error);
    EXPECT_EQ(again.fingerprint, certificates.serverFingerprint());
    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    EXPECT_TRUE(HostLogin(again).logIn());
    EXPECT_EQ(seam->messages().size(), 2);

    // With an authority file only the authority counts, the accepted fingerprint no more.
    const HostOptions strict = HostOptions::fromArguments(
        {"kzr-host", "--settings", options.settingsFile, "--port", QString::number(server.port()),
         "--ca-file", certificates.otherAuthority()},
        &error);
    EXPECT_EQ(strict.fingerprint, certificates.serverFingerprint());
    seam->loginAnswers.push(LoginAnswer{"ana", "segredo-da-ana"});
    EXPECT_FALSE(HostLogin(strict).logIn());
    EXPECT_TRUE(seam->messages().last().contains("não é confiável"));
}

} // namespace
