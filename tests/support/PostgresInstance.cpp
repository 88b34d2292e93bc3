#include "PostgresInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <csignal>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

std::unique_ptr<PostgresInstance> &sharedSlot()
{
    static std::unique_ptr<PostgresInstance> instance;
    return instance;
}

QString &sharedErrorText()
{
    static QString text;
    return text;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString shellQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString PostgresInstance::binDir()
{
    const QString fromEnv = qEnvironmentVariable("KZR_PG_BIN");
    return fromEnv.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : fromEnv;
}

QString PostgresInstance::unavailableReason()
{
    for (const char *tool : {"initdb", "pg_ctl", "createdb"}) {
        const QFileInfo program(QDir(binDir()).filePath(QLatin1String(tool)));
        if (!program.isExecutable())
            return QStringLiteral("PostgreSQL is not installed: %1 is missing (install the "
                                  "postgresql package, or set KZR_PG_BIN)")
                .arg(program.filePath());
    }
    if (::geteuid() == 0 && !::getpwnam("postgres"))
        return QStringLiteral("running as root and there is no \"postgres\" system user to run "
                              "PostgreSQL as");
    return {};
}

PostgresInstance *PostgresInstance::shared()
{
    std::unique_ptr<PostgresInstance> &slot = sharedSlot();
    if (!slot && sharedErrorText().isEmpty()) {
        sharedErrorText() = unavailableReason();
        if (!sharedErrorText().isEmpty()) return nullptr;
        auto instance = std::make_unique<PostgresInstance>();
        if (!instance->start()) {
            sharedErrorText() = instance->error();
            return nullptr;
        }
        slot = std::move(instance);
        std::atexit(&PostgresInstance::stopShared);
    }
    return slot.get();
}

QString PostgresInstance::sharedError()
{
    return sharedErrorText();
}

void PostgresInstance::stopShared()
{
    sharedSlot().reset();
}

PostgresInstance::PostgresInstance() = default;

PostgresInstance::~PostgresInstance()
{
    stop();
}

bool PostgresInstance::run(const QString &program, const QStringList &args, bool asServerUser)
{
    const QString tool = QDir(binDir()).filePath(program);
    const QString logFile = QDir(m_dir->path()).filePath(QStringLiteral("commands.log"));
    QProcess process;
    // The postmaster that pg_ctl leaves behind must not hold our pipes open.
    process.setStandardOutputFile(logFile, QIODevice::Append);
    process.setStandardErrorFile(logFile, QIODevice::Append);
    process.setWorkingDirectory(m_dir->path());
    if (asServerUser && m_asPostgresUser)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--"), tool} +
                          args);
    else
        process.start(tool, args);
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QFile log(logFile);
        log.open(QIODevice::ReadOnly);
        m_error =
            QStringLiteral("%1 failed: %2\n%3")
                .arg(program, process.errorString(), QString::fromUtf8(log.readAll().right(4000)));
        return false;
    }
    return true;
}

bool PostgresInstance::makeFolder()
{
    m_asPostgresUser = ::geteuid() == 0;
    m_dir = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("kzr-pg-XXXXXX")));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("could not create a temporary folder");
        return false;
    }
    if (m_asPostgresUser) {
        const passwd *user = ::getpwnam("postgres");
        if (!user || ::chown(QFile::encodeName(m_dir->path()).constData(), user->pw_uid,
                             user->pw_gid) != 0) {
            m_error = QStringLiteral("could not hand %1 to the postgres user").arg(m_dir->path());
            return false;
        }
    }
    m_dataDir = QDir(m_dir->path()).filePath(QStringLiteral("data"));
    return true;
}

bool PostgresInstance::start()
{
    return makeFolder() &&
           run(QStringLiteral("initdb"),
               {QStringLiteral("-D"), m_dataDir, QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync")},
               true) &&
           launch();
}

bool PostgresInstance::startStandbyOf(const PostgresInstance &primary)
{
    // -R writes standby.signal and the primary's address: it follows the primary's WAL.
    return makeFolder() &&
           run(QStringLiteral("pg_basebackup"),
               {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                QString::number(primary.port()), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-D"), m_dataDir, QStringLiteral("-R"), QStringLiteral("-X"),
                QStringLiteral("stream"), QStringLiteral("-c"), QStringLiteral("fast")},
               true) &&
           launch();
}

bool PostgresInstance::waitForStandby()
{
    // From now on a commit is answered once the standby has it too.
    QFile conf(QDir(m_dataDir).filePath(QStringLiteral("postgresql.conf")));
    if (!conf.open(QIODevice::Append) || conf.write("synchronous_standby_names = '*'\n") < 0) {
        m_error = QStringLiteral("could not write %1").arg(conf.fileName());
        return false;
    }
    conf.close();
    return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dataDir, QStringLiteral("reload")},
               true);
}

bool PostgresInstance::promote()
{
    return run(QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), m_dataDir, QStringLiteral("-w"), QStringLiteral("promote")},
               true);
}

bool PostgresInstance::launch()
{
    // A port taken between probing and binding makes pg_ctl fail: try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freeLoopbackPort();
        const QString options =
            QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2 -c fsync=off "
                           "-c max_connections=200")
                .arg(m_port)
                .arg(m_dir->path());
        if (run(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), m_dataDir, QStringLiteral("-l"),
                 QDir(m_dir->path()).filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                 QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
                 QStringLiteral("start")},
                true)) {
            m_running = true;
            return true;
        }
    }
    return false;
}

bool PostgresInstance::restart()
{
    return run(QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), m_dataDir, QStringLiteral("-l"),
                QDir(m_dir->path()).filePath(QStringLiteral("server.log")), QStringLiteral("-m"),
                QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("-t"),
                QStringLiteral("60"), QStringLiteral("restart")},
               true);
}

void PostgresInstance::stop()
{
    if (!m_running) return;
    m_running = false;
    // Plain system(): this also runs at program exit, when Qt may already be torn down.
    const QString pgCtl = QDir(binDir()).filePath(QStringLiteral("pg_ctl"));
    QString command = shellQuote(pgCtl) + QStringLiteral(" -D ") + shellQuote(m_dataDir) +
                      QStringLiteral(" -m immediate -w stop >/dev/null 2>&1");
    if (m_asPostgresUser) command = QStringLiteral("runuser -u postgres -- ") + command;
    [[maybe_unused]] const int status = std::system(command.toLocal8Bit().constData());
    m_dir.reset();
}

QString PostgresInstance::createDatabase(const QString &name)
{
    if (!run(QStringLiteral("createdb"),
             {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
              QString::number(m_port), QStringLiteral("-U"), QStringLiteral("postgres"), name},
             false))
        return {};
    return url(name);
}

QString PostgresInstance::url(const QString &database) const
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(m_port).arg(database);
}

bool PostgresInstance::pause()
{
    return signalAll(SIGSTOP);
}

bool PostgresInstance::resume()
{
    return signalAll(SIGCONT);
}

bool PostgresInstance::signalAll(int signal)
{
    // The postmaster's id is the first line of postmaster.pid; the backends are its children.
    QFile pidFile(QDir(m_dataDir).filePath(QStringLiteral("postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("no postmaster.pid in %1").arg(m_dataDir);
        return false;
    }
    const qint64 postmaster = QString::fromLatin1(pidFile.readLine()).trimmed().toLongLong();
    if (postmaster <= 0) return false;
    QList<qint64> pids{postmaster};
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold blanks, so read after its ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && after[1].toLongLong() == postmaster) pids << entry.toLongLong();
    }
    for (qint64 pid : pids)
        ::kill(pid_t(pid), signal);
    return true;
}
