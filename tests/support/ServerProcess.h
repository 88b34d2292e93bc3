#pragma once

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
class ServerProcess
{
public:
    ServerProcess();
    ~ServerProcess(); // stops the server; removes the temporary folder

    bool start(const QString &databaseUrl = QString(), const QStringList &extraArgs = {});
    // The open-descriptor limit the next start() gives the server (0: as inherited).
    void setDescriptorLimit(int limit) { m_descriptorLimit = limit; }
    qint64 pid() const;
    void stop(); // SIGTERM and wait (SIGKILL after 10 s)
    void kill(); // SIGKILL at once: the server gets no chance to finish anything
    bool running() const;

    QString error() const { return m_error; } // why start() failed
    QString output() const;                   // everything the server wrote
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    QString databaseUrl() const { return m_databaseUrl; }
    QString sqlitePath() const;                      // empty unless the URL is sqlite:
    QString tempPath(const QString &fileName) const; // a path in the fixture's temporary folder

    // A connected TNetConnection to the given module of this server (default time limit 30 s).
    std::unique_ptr<TNetConnection> connect(const QString &module) const;

    static QString programPath();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_databaseUrl;
    QString m_error;
    mutable QByteArray m_output;
    quint16 m_port = 0;
    int m_descriptorLimit = 0;
};
