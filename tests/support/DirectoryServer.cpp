#include "DirectoryServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace {

const char *const AdminDn = "cn=admin,dc=kzr,dc=test";
const char *const AdminPassword = "segredo-admin";

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString person(const QString &uid)
{
    return QStringLiteral("dn: uid=%1,ou=people,dc=kzr,dc=test\nobjectClass: inetOrgPerson\n"
                          "uid: %1\ncn: %1\nsn: %1\nuserPassword: %1-senha\n\n")
        .arg(uid);
}

QString group(const QString &cn, const QStringList &uids)
{
    QString ldif = QStringLiteral("dn: cn=%1,ou=groups,dc=kzr,dc=test\nobjectClass: groupOfNames\n"
                                  "cn: %1\n")
                       .arg(cn);
    for (const QString &uid : uids)
        ldif += QStringLiteral("member: uid=%1,ou=people,dc=kzr,dc=test\n").arg(uid);
    return ldif + QLatin1Char('\n');
}

} // namespace

QString DirectoryServer::unavailableReason()
{
    for (const char *tool : {"/usr/sbin/slapd", "/usr/bin/ldapadd", "/usr/bin/ldapmodify"})
        if (!QFileInfo(QLatin1String(tool)).isExecutable())
            return QStringLiteral("%1 is missing (install slapd and ldap-utils)").arg(tool);
    return {};
}

DirectoryServer::DirectoryServer() = default;

DirectoryServer::~DirectoryServer()
{
    stop();
}

QString DirectoryServer::ldapUrl() const
{
    return QStringLiteral("ldap://127.0.0.1:%1").arg(m_ldapPort);
}

QString DirectoryServer::ldapsUrl() const
{
    return QStringLiteral("ldaps://127.0.0.1:%1").arg(m_ldapsPort);
}

bool DirectoryServer::start()
{
    if (!m_certificates.make()) {
        m_error = m_certificates.error();
        return false;
    }
    QFile config(m_dir.filePath(QStringLiteral("slapd.conf")));
    if (!config.open(QIODevice::WriteOnly) || !QDir(m_dir.path()).mkpath(QStringLiteral("db"))) {
        m_error = QStringLiteral("cannot write %1").arg(config.fileName());
        return false;
    }
    config.write(QStringLiteral(
                     "include /etc/ldap/schema/core.schema\n"
                     "include /etc/ldap/schema/cosine.schema\n"
                     "include /etc/ldap/schema/inetorgperson.schema\n"
                     "modulepath /usr/lib/ldap\nmoduleload back_mdb\nmoduleload memberof\n"
                     "pidfile %1/slapd.pid\n"
                     "TLSCertificateFile %2\nTLSCertificateKeyFile %3\n"
                     "database mdb\nsuffix \"%4\"\nrootdn \"%5\"\nrootpw %6\n"
                     "directory %1/db\nmaxsize 10485760\noverlay memberof\n")
                     .arg(m_dir.path(), m_certificates.serverCertificate(),
                          m_certificates.serverKey(), QLatin1String(Base),
                          QLatin1String(AdminDn), QLatin1String(AdminPassword))
                     .toUtf8());
    config.close();
    // A port taken between probing and binding makes slapd end at once: try a few.
    for (int attempt = 0; attempt < 5 && !m_slapd; ++attempt) {
        m_ldapPort = freePort();
        m_ldapsPort = freePort();
        auto slapd = std::make_unique<QProcess>();
        slapd->setProcessChannelMode(QProcess::MergedChannels);
        slapd->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // -d 256: in the foreground, logging each operation (stats).
        slapd->start(QStringLiteral("/usr/sbin/slapd"),
                     {QStringLiteral("-f"), config.fileName(), QStringLiteral("-h"),
                      ldapUrl() + QLatin1Char(' ') + ldapsUrl(), QStringLiteral("-d"),
                      QStringLiteral("256")});
        slapd->waitForStarted(10000);
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && slapd->state() == QProcess::Running &&
               !m_log.contains("slapd starting")) {
            slapd->waitForReadyRead(100);
            m_log += slapd->readAll();
        }
        if (m_log.contains("slapd starting")) m_slapd = std::move(slapd);
        else slapd->kill(), slapd->waitForFinished();
    }
    if (!m_slapd) {
        m_error = QStringLiteral("slapd did not start:\n%1").arg(QString::fromUtf8(m_log.right(3000)));
        return false;
    }
    const QString tree =
        QStringLiteral("dn: %1\nobjectClass: dcObject\nobjectClass: organization\ndc: kzr\no: kzr\n\n"
                       "dn: %2\nobjectClass: person\ncn: leitor\nsn: leitor\nuserPassword: servico\n\n"
                       "dn: ou=people,%1\nobjectClass: organizationalUnit\nou: people\n\n"
                       "dn: ou=groups,%1\nobjectClass: organizationalUnit\nou: groups\n\n")
            .arg(QLatin1String(Base), QLatin1String(ServiceAccount)) +
        person(QStringLiteral("ana")) + person(QStringLiteral("bia")) +
        person(QStringLiteral("caio")) + person(QStringLiteral("davi")) +
        group(QStringLiteral("mantenedores"), {QStringLiteral("ana"), QStringLiteral("davi")}) +
        group(QStringLiteral("leitores"), {QStringLiteral("bia")});
    return ldapTool(QStringLiteral("ldapadd"), tree);
}

bool DirectoryServer::modify(const QString &ldif)
{
    return ldapTool(QStringLiteral("ldapmodify"), ldif);
}

bool DirectoryServer::ldapTool(const QString &program, const QString &ldif)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, {QStringLiteral("-x"), QStringLiteral("-H"), ldapUrl(), QStringLiteral("-D"),
                         QLatin1String(AdminDn), QStringLiteral("-w"), QLatin1String(AdminPassword)});
    tool.write(ldif.toUtf8());
    tool.closeWriteChannel();
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(tool.readAll()));
        return false;
    }
    return true;
}

int DirectoryServer::operations()
{
    if (m_slapd) m_log += m_slapd->readAll();
    static const QRegularExpression operation(
        QStringLiteral("conn=\\d+ op=\\d+ (BIND|SRCH base|CMP|EXT oid)"));
    int count = 0;
    for (auto it = operation.globalMatch(QString::fromUtf8(m_log)); it.hasNext(); it.next())
        ++count;
    return count;
}

void DirectoryServer::pause()
{
    if (!m_slapd) return;
    ::kill(pid_t(m_slapd->processId()), SIGSTOP);
    // The signal takes effect a little later: wait until the process is seen stopped.
    QFile status(QStringLiteral("/proc/%1/status").arg(m_slapd->processId()));
    for (QDeadlineTimer wait(5000); !wait.hasExpired(); QThread::msleep(5)) {
        status.open(QIODevice::ReadOnly);
        if (status.readAll().contains("State:\tT")) return;
        status.close();
    }
}

void DirectoryServer::resume()
{
    if (m_slapd) ::kill(pid_t(m_slapd->processId()), SIGCONT);
}

void DirectoryServer::stop()
{
    if (!m_slapd) return;
    resume();
    m_slapd->terminate();
    if (!m_slapd->waitForFinished(10000)) {
        m_slapd->kill();
        m_slapd->waitForFinished(10000);
    }
    m_slapd.reset();
}
