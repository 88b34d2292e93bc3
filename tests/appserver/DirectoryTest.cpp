// Logins from the company's directory, against a real slapd: roles from its groups, every
// refusal alike, sessions the operator ends, and a directory that is down, frozen or not
// trusted, while local users still log in.
#include "DirectoryServer.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TestClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <set>

namespace {

const QString Refused = "Usuário ou senha inválidos.";
const QString Outage = "O diretório de usuários não responde. Tente novamente em instantes.";

class Directory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("slapd", {"/usr/sbin"}).isEmpty())
            GTEST_SKIP() << "slapd is not installed (packages slapd and ldap-utils)";
        ASSERT_TRUE(directory.start()) << directory.error().toStdString();
        QFile secret(server.tempPath("conta.txt"));
        ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("servico\n") == 8);
    }

    // A search as the service account over LDAPS, groups compared on their entries; or the DN
    // template over StartTLS, groups read from the user's memberOf (Active Directory's way).
    QStringList ldap(bool search, const QString &ca = {}) const
    {
        const QStringList common{"--ldap-ca-file", ca.isEmpty() ? directory.certificates().authority() : ca,
                                 "--ldap-maintain-group", DirectoryServer::Maintainers,
                                 "--ldap-read-only-group", DirectoryServer::Readers};
        if (!search)
            return common + QStringList{"--ldap-url", directory.url(false), "--ldap-user-dn",
                                        QString("uid=%s,") + DirectoryServer::People,
                                        "--ldap-member-attribute", "memberOf"};
        return common + QStringList{"--ldap-url", directory.url(true), "--ldap-base",
                                    DirectoryServer::People, "--ldap-bind-dn",
                                    DirectoryServer::ServiceAccount, "--ldap-bind-password-file",
                                    server.tempPath("conta.txt"), "--ldap-user-filter", "(uid=%s)"};
    }

    void startServer(const QStringList &args)
    {
        const QString url = QFile::exists(server.tempPath("server.sqlite")) ? server.databaseUrl()
                                                                             : QString();
        ASSERT_TRUE(server.start(url, args)) << server.error().toStdString();
    }

    // The role a login got, or the text of its refusal.
    QString loginAs(const QString &user, const QString &password) const
    {
        try {
            return server.login(user, password).readOnly ? "read-only" : "maintain";
        } catch (const ELoginRefused &e) {
            return e.Message();
        }
    }

    QList<QStringList> adminLines(const QStringList &args) const
    {
        QString out;
        EXPECT_EQ(server.admin(args, {}, &out), 0) << out.toStdString();
        QList<QStringList> lines;
        for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
            lines << line.split('\t');
        return lines;
    }

    DirectoryServer directory;
    ServerProcess server;
};

TEST_F(Directory, GroupsGiveTheRoleAndEveryRefusalIsAWrongPasswordOfTheSameCost)
{
    struct Case
    {
        QString user, password, outcome;
    };
    const QList<Case> cases = {
        {"ana", "ana-senha", "maintain"},    {"bia", "bia-senha", "read-only"},
        {"caio", "caio-senha", Refused},     {"ana", "errada", Refused},
        {"ninguem", "x", Refused},           {"*", "ana-senha", Refused},
        {"ana)(uid=*", "ana-senha", Refused}, {"ana,ou=groups", "ana-senha", Refused},
        {"demo", "demo", "maintain"},        {"bia", "", Refused},
    };
    for (const bool search : {true, false}) {
        SCOPED_TRACE(search);
        startServer(ldap(search));
        std::set<int> costs; // directory operations per login that reached the directory
        for (const Case &c : cases) {
            SCOPED_TRACE((c.user + "/" + c.password).toStdString());
            const int before = directory.operations();
            EXPECT_EQ(loginAs(c.user, c.password), c.outcome);
            const int cost = directory.operations() - before;
            // The local user and an empty password never reach the directory.
            if (c.user == "demo" || c.password.isEmpty()) {
                EXPECT_EQ(cost, 0);
            } else {
                costs.insert(cost);
            }
            if (c.outcome == Refused) { // a success resets the throttle's count of the address
                EXPECT_EQ(loginAs("demo", "demo"), "maintain");
            }
        }
        EXPECT_EQ(costs.size(), 1u) << *costs.begin() << ".." << *costs.rbegin();
    }

    // The record of logins and the list of users tell local users from the directory's.
    int fromDirectory = 0;
    for (const QStringList &line : adminLines({"audit", "--logins"})) {
        ASSERT_EQ(line.size(), 6);
        EXPECT_EQ(line[4], line[1] == "demo" || line[1] == "kzr-test" ? "local" : "directory")
            << line.join(' ').toStdString();
        fromDirectory += line[4] == "directory" && line[3] == "accepted";
    }
    EXPECT_EQ(fromDirectory, 4);
    EXPECT_EQ(adminLines({"user", "list"}),
              QList<QStringList>({{"demo", "maintain", "local"},
                                  {"kzr-test", "maintain", "local"},
                                  {"ana", "maintain", "directory"},
                                  {"bia", "read-only", "directory"}}));

    // No password reaches the server's tables or its log.
    server.stop();
    QByteArray stored;
    for (const QString &file : QDir(server.tempPath("")).entryList({"server.sqlite*"})) {
        QFile f(server.tempPath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        stored += f.readAll();
    }
    ASSERT_TRUE(stored.contains("ninguem"));
    for (const QByteArray secret : {"ana-senha", "bia-senha", "caio-senha", "servico"}) {
        EXPECT_FALSE(stored.contains(secret)) << secret.constData();
        EXPECT_FALSE(server.output().contains(secret)) << secret.constData();
    }
}

TEST_F(Directory, ARemovedMemberCannotComeBackAndTheOperatorEndsTheSessionsOpen)
{
    startServer(ldap(true));
    const ServerAccess davi = server.login("davi", "davi-senha");
    TestClient open(server, davi);
    const ServerAccess anaAccess = server.login("ana", "ana-senha");
    TestClient ana(server, anaAccess);
    ASSERT_FALSE(open.codes().isEmpty());

    ASSERT_TRUE(directory.ldapModify(QString("dn: %1\nchangetype: modify\ndelete: member\nmember: "
                                         "uid=davi,%2\n")
                                     .arg(DirectoryServer::Maintainers, DirectoryServer::People)))
        << directory.error().toStdString();
    EXPECT_EQ(loginAs("davi", "davi-senha"), Refused);
    EXPECT_FALSE(open.codes().isEmpty()); // the role was read at the login

    EXPECT_EQ(adminLines({"sessions", "end", "davi"}), QList<QStringList>({{"sessões de davi encerradas"}}));
    Variant reply;
    for (QDeadlineTimer wait(20000); !wait.hasExpired() && !server_failure::isSessionEnded(reply);)
        reply = open.dimensao("getDimensao", {"", ""});
    EXPECT_TRUE(server_failure::isSessionEnded(reply));
    EXPECT_TRUE(server_failure::isSessionEnded(
        TestClient(server, davi).dimensao("getDimensao", {"", ""}))); // nor resumed
    EXPECT_FALSE(ana.codes().isEmpty());
    // The sessions outlive a restart of the server, except the ones the operator ended.
    server.stop();
    startServer(ldap(true));
    EXPECT_TRUE(server_failure::isSessionEnded(
        TestClient(server, davi).dimensao("getDimensao", {"", ""})));
    EXPECT_FALSE(TestClient(server, anaAccess).codes().isEmpty());
}

TEST_F(Directory, ADirectoryDownFrozenOrUntrustedIsAnOutageAndLocalUsersStillLogIn)
{
    struct Case
    {
        const char *what;
        QStringList args;
        std::function<void()> before;
    };
    const QList<Case> cases = {
        {"another authority", ldap(true, directory.certificates().otherAuthority()), [] {}},
        {"frozen", ldap(true) + QStringList{"--ldap-timeout", "1"}, [&] { directory.pause(); }},
        {"stopped", ldap(false), [&] { directory.stop(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startServer(c.args);
        c.before();
        EXPECT_EQ(loginAs("ana", "ana-senha"), Outage);
        EXPECT_EQ(loginAs("demo", "demo"), "maintain");
        server.stop();
        EXPECT_TRUE(server.output().contains("não responde: ")) << server.output().toStdString();
    }
    const QList<QStringList> logins = adminLines({"audit", "--logins", "--user", "ana"});
    ASSERT_EQ(logins.size(), 3);
    for (const QStringList &line : logins)
        EXPECT_EQ(line.mid(3), QStringList({"refused", "directory", "-"}));
}

} // namespace
