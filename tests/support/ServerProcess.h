#pragma once

#include "ServerAccess.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class TNetConnection;

// The real kzr-appserver program, started on a free loopback port and stopped again.
//
//   ServerProcess server;
//   ASSERT_TRUE(server.start()) << server.error();        // new SQLite file, demo content
//   auto net = server.connect("KZR01200.rdmDimensao");
//
// With no database URL it uses a new SQLite file in the fixture's own temporary folder, which
// the server creates with its demo content. start() returns once the server has written its
// ready line; the port is taken from that line (the server picks a free one).
//
// Connections log in: as the demo user on a database the server created, otherwise as the
// fixture's own maintainer, whom start() creates through the administration commands.
// Password hashes are made at the lowest cost (testCostFlag()), to keep the tests fast.
class ServerProcess
{
public:
    ServerProcess();
    ~ServerProcess(); // stops the server; removes the temporary folder

    bool start(const QString &databaseUrl = QString(), const QStringList &extraArgs = {});
    // Whether start() and admin() lower the cost of new password hashes (the default), or the
    // server works at its installed cost.
    void setCheapHashes(bool cheap) { m_cheapHashes = cheap; }
    // The open-descriptor limit the next start() gives the server (0: as inherited).
    void setDescriptorLimit(int limit) { m_descriptorLimit = limit; }
    qint64 pid() const;
    void stop(); // SIGTERM and wait (SIGKILL after 10 s)
    void kill(); // SIGKILL at once: the server gets no chance to finish anything
    int waitForExit(int ms); // its exit code once it ended by itself; -1 when still running
    bool running() const;

    QString error() const { return m_error; } // why start() failed
    QString output() const;                   // everything the server wrote
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    QString databaseUrl() const { return m_databaseUrl; }
    QString sqlitePath() const;                      // empty unless the URL is sqlite:
    QString tempPath(const QString &fileName) const; // a path in the fixture's temporary folder

    // A connected TNetConnection to the given module of this server (default time limit 30 s),
    // in the fixture user's session (logged in once per start).
    std::unique_ptr<TNetConnection> connect(const QString &module) const;
    std::unique_ptr<TNetConnection> connect(const QString &module, const ServerAccess &access) const;
    // Logs in as this user: the access for connections in that session. Throws ELoginRefused.
    ServerAccess login(const QString &user, const QString &password) const;
    // The fixture user's session and certificate trust: what a host would hand its connections.
    ServerAccess access() const;
    QString userName() const { return m_user; }
    QString password() const { return m_password; }

    // What a client needs beyond host and port (TLS, a CA file), for servers started with TLS.
    void setClientAccess(const ServerAccess &access) { m_clientAccess = access; }

    // Runs "kzr-appserver ARGS --database URL" as an operator would, with input on its standard
    // input; the exit code, with what it printed in output (and its errors, when it failed).
    // Works with the server running.
    int admin(const QStringList &args, const QString &input = QString(),
              QString *output = nullptr) const;
    // "user add NAME --role ROLE", the password on standard input; false with why in error().
    bool addUser(const QString &name, const QString &role, const QString &password);

    static QString programPath();
    static QString testCostFlag(); // the flag that lowers the cost of new password hashes

private:
    QStringList costArgs() const;

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_databaseUrl;
    QString m_error;
    mutable QByteArray m_output;
    quint16 m_port = 0;
    int m_descriptorLimit = 0;
    bool m_cheapHashes = true;
    QString m_user;
    QString m_password;
    ServerAccess m_clientAccess;
    mutable ServerAccess m_session; // the fixture user's session, once logged in
};
