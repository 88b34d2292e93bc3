#include "ServerProcess.h"

#include "ServerLogin.h"
#include "TNetConnection.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

ServerProcess::ServerProcess() = default;

ServerProcess::~ServerProcess()
{
    stop();
}

QString ServerProcess::programPath()
{
    return QStringLiteral(KZR_APPSERVER_PROGRAM);
}

QString ServerProcess::tempPath(const QString &fileName) const
{
    return m_dir.filePath(fileName);
}

QString ServerProcess::sqlitePath() const
{
    return m_databaseUrl.startsWith(QLatin1String("sqlite:")) ? m_databaseUrl.mid(7) : QString();
}

QString ServerProcess::output() const
{
    if (m_process) m_output += m_process->readAll();
    return QString::fromUtf8(m_output);
}

bool ServerProcess::running() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool ServerProcess::start(const QString &databaseUrl, const QStringList &extraArgs)
{
    stop();
    m_error.clear();
    m_output.clear();
    m_port = 0;
    m_databaseUrl = databaseUrl.isEmpty()
                        ? QStringLiteral("sqlite:") + tempPath(QStringLiteral("server.sqlite"))
                        : databaseUrl;
    m_session = ServerAccess();
    const QString file = sqlitePath();
    if (!file.isEmpty() && !QFileInfo::exists(file)) {
        m_user = m_password = QStringLiteral("demo"); // the demo content brings its own user
    } else {
        m_user = m_password = QStringLiteral("kzr-test");
        QString users;
        if (admin({QStringLiteral("user"), QStringLiteral("list")}, QString(), &users) != 0) {
            m_error = QStringLiteral("kzr-appserver user list failed:\n%1").arg(users);
            return false;
        }
        if (!users.split(QLatin1Char('\n')).contains(m_user + QStringLiteral("\tmaintain\tlocal")) &&
            !addUser(m_user, QStringLiteral("maintain"), m_password))
            return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    const rlim_t limit = rlim_t(std::max(m_descriptorLimit, 0));
    m_process->setChildProcessModifier([limit] {
        // A test or benchmark that dies (a crash, an abort) takes its server with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (limit > 0) {
            const rlimit descriptors{limit, limit};
            ::setrlimit(RLIMIT_NOFILE, &descriptors);
        }
    });
    m_process->start(programPath(),
                     QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                 QStringLiteral("--database"), m_databaseUrl} +
                         costArgs() + extraArgs);
    if (!m_process->waitForStarted(10000)) {
        m_error =
            QStringLiteral("could not start %1: %2").arg(programPath(), m_process->errorString());
        return false;
    }
    static const QRegularExpression ready(QStringLiteral("pronto em [^ ]+:(\\d+) "));
    const QDeadlineTimer deadline(60000); // sanitizer builds start slowly
    while (!deadline.hasExpired()) {
        m_process->waitForReadyRead(200);
        const QRegularExpressionMatch match = ready.match(output());
        if (match.hasMatch()) {
            m_port = quint16(match.captured(1).toUInt());
            return true;
        }
        if (m_process->state() == QProcess::NotRunning) {
            m_error = QStringLiteral("kzr-appserver ended before it was ready:\n%1").arg(output());
            return false;
        }
    }
    m_error = QStringLiteral("kzr-appserver did not report ready within 60 s:\n%1").arg(output());
    kill();
    return false;
}

qint64 ServerProcess::pid() const
{
    return running() ? m_process->processId() : 0;
}

void ServerProcess::stop()
{
    if (!running()) return;
    m_process->terminate();
    if (!m_process->waitForFinished(10000)) kill();
    output();
}

int ServerProcess::waitForExit(int ms)
{
    if (!m_process || !m_process->waitForFinished(ms)) return -1;
    output();
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

void ServerProcess::kill()
{
    if (!running()) return;
    ::kill(pid_t(m_process->processId()), SIGKILL);
    m_process->waitForFinished(10000);
    output();
}

QStringList ServerProcess::costArgs() const
{
    return m_cheapHashes ? QStringList{testCostFlag()} : QStringList{};
}

QString ServerProcess::testCostFlag()
{
    return QStringLiteral("--insecure-password-cost-for-tests");
}

int ServerProcess::admin(const QStringList &args, const QString &input, QString *output) const
{
    QProcess process;
    process.start(programPath(),
                  args + QStringList{QStringLiteral("--database"), m_databaseUrl} + costArgs());
    process.write(input.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        if (output) *output = QStringLiteral("kzr-appserver %1 did not finish").arg(args.join(' '));
        return -1;
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (output) {
        *output = QString::fromUtf8(process.readAllStandardOutput());
        if (code != 0) *output += QString::fromUtf8(process.readAllStandardError());
    }
    return code;
}

bool ServerProcess::addUser(const QString &name, const QString &role, const QString &password)
{
    QString output;
    if (admin({QStringLiteral("user"), QStringLiteral("add"), name, QStringLiteral("--role"), role},
              password + QLatin1Char('\n'), &output) == 0)
        return true;
    m_error = QStringLiteral("kzr-appserver user add %1 failed:\n%2").arg(name, output);
    return false;
}

ServerAccess ServerProcess::login(const QString &user, const QString &password) const
{
    ServerAccess result = m_clientAccess;
    const ServerLogin::Session session =
        ServerLogin::login(host(), m_port, m_clientAccess, user, password);
    result.sessionToken = session.token;
    result.readOnly = session.role == QLatin1String("read-only");
    return result;
}

ServerAccess ServerProcess::access() const
{
    if (m_session.sessionToken.isEmpty()) m_session = login(m_user, m_password);
    return m_session;
}

std::unique_ptr<TNetConnection> ServerProcess::connect(const QString &module) const
{
    return connect(module, access());
}

std::unique_ptr<TNetConnection> ServerProcess::connect(const QString &module,
                                                       const ServerAccess &access) const
{
    auto connection = std::make_unique<TNetConnection>(nullptr, module);
    connection->SetAccess(access);
    connection->SetServerName(module);
    connection->SetHost(host());
    connection->SetPort(m_port);
    connection->SetConnected(true);
    return connection;
}
