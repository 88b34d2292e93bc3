#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A throwaway PostgreSQL server: initdb into a temporary folder, pg_ctl start on a free
// loopback port with trust authentication, removed again on stop. PostgreSQL refuses to run
// as root, so under root (as in CI) it runs as the unprivileged "postgres" system user in a
// folder that user owns.
//
//   PostgresInstance *pg = PostgresInstance::shared();
//   if (!pg) GTEST_SKIP() << PostgresInstance::unavailableReason();
//   QString url = pg->createDatabase("t1"); // "postgresql://postgres@127.0.0.1:PORT/t1"
class PostgresInstance
{
public:
    // The folder of initdb and pg_ctl: $KZR_PG_BIN, else /usr/lib/postgresql/15/bin.
    static QString binDir();
    // Empty when the binaries are there; otherwise why no instance can be started.
    static QString unavailableReason();

    // One instance for the whole program, started on first use; nullptr when the binaries
    // are absent (see unavailableReason) or it failed to start (see sharedError). It is
    // stopped by stopShared(), or at the latest when the program exits.
    static PostgresInstance *shared();
    static QString sharedError();
    static void stopShared();

    PostgresInstance();
    ~PostgresInstance(); // stop()

    bool start();
    // A streaming standby of a running primary (pg_basebackup -R), on a port of its own.
    bool startStandbyOf(const PostgresInstance &primary);
    bool waitForStandby(); // commits of this primary wait for a standby to have them
    bool promote();        // the standby takes writes
    void stop();
    bool restart(); // fast shutdown and start again on the same port: every connection drops
    // Freezes every process of the instance (SIGSTOP), as a database that stops answering
    // while its connections stay open; resume() lets them go on.
    bool pause();
    bool resume();
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }

    // Creates an empty database; returns its connection URI, empty on failure (see error()).
    QString createDatabase(const QString &name);
    QString url(const QString &database) const;

private:
    bool makeFolder();
    bool launch();
    bool run(const QString &program, const QStringList &args, bool asServerUser);
    bool signalAll(int signal);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dataDir;
    quint16 m_port = 0;
    bool m_running = false;
    bool m_asPostgresUser = false;
    QString m_error;
};
