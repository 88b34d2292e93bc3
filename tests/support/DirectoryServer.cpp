#include "DirectoryServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace {

const QString Admin[] = {QStringLiteral("cn=admin,dc=kzr,dc=test"), QStringLiteral("segredo-admin")};

QString entry(const QString &dn, const QStringList &lines)
{
    return QStringLiteral("dn: %1\n%2\n\n").arg(dn, lines.join(QLatin1Char('\n')));
}

} // namespace

QString DirectoryServer::url(bool ldaps) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(ldaps ? "ldaps" : "ldap").arg(m_ports[ldaps]);
}

bool DirectoryServer::start()
{
    QFile config(m_dir.filePath(QStringLiteral("slapd.conf")));
    if (!m_certificates.make() || !QDir(m_dir.path()).mkpath(QStringLiteral("db")) ||
        !config.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot prepare %1: %2").arg(m_dir.path(), m_certificates.error());
        return false;
    }
    config.write(QStringLiteral("include /etc/ldap/schema/core.schema\n"
                                "include /etc/ldap/schema/cosine.schema\n"
                                "include /etc/ldap/schema/inetorgperson.schema\n"
                                "modulepath /usr/lib/ldap\nmoduleload back_mdb\nmoduleload memberof\n"
                                "TLSCertificateFile %2\nTLSCertificateKeyFile %3\n"
                                "database mdb\nsuffix dc=kzr,dc=test\nrootdn %4\nrootpw %5\n"
                                "directory %1/db\nmaxsize 10485760\noverlay memberof\n")
                     .arg(m_dir.path(), m_certificates.serverCertificate(),
                          m_certificates.serverKey(), Admin[0], Admin[1])
                     .toUtf8());
    config.close();
    // A port taken between probing and binding makes slapd end at once: try a few.
    for (int attempt = 0; attempt < 5 && !m_slapd; ++attempt) {
        for (quint16 &port : m_ports) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            port = probe.serverPort();
        }
        auto slapd = std::make_unique<QProcess>();
        slapd->setProcessChannelMode(QProcess::MergedChannels);
        slapd->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // -d 256: in the foreground, logging each operation.
        slapd->start(QStringLiteral("/usr/sbin/slapd"), {QStringLiteral("-f"), config.fileName(),
                                               QStringLiteral("-h"), url(false) + ' ' + url(true),
                                               QStringLiteral("-d"), QStringLiteral("256")});
        slapd->waitForStarted(10000);
        for (QDeadlineTimer wait(20000); !wait.hasExpired() && !m_log.contains("slapd starting") &&
                                         slapd->state() == QProcess::Running;
             m_log += slapd->readAll())
            slapd->waitForReadyRead(100);
        if (m_log.contains("slapd starting")) m_slapd = std::move(slapd);
    }
    if (!m_slapd) {
        m_error = QStringLiteral("slapd did not start:\n%1").arg(QString::fromUtf8(m_log.right(3000)));
        return false;
    }
    QString tree = entry("dc=kzr,dc=test", {"objectClass: dcObject", "objectClass: organization",
                                            "dc: kzr", "o: kzr"}) +
                   entry(ServiceAccount, {"objectClass: person", "cn: leitor", "sn: leitor",
                                          "userPassword: servico"});
    for (const char *unit : {"people", "groups"})
        tree += entry(QStringLiteral("ou=%1,dc=kzr,dc=test").arg(unit),
                      {"objectClass: organizationalUnit", QStringLiteral("ou: ") + unit});
    for (const QString uid : {"ana", "bia", "caio", "davi"})
        tree += entry(QStringLiteral("uid=%1,%2").arg(uid, People),
                      QStringLiteral("objectClass: inetOrgPerson|uid: %1|cn: %1|sn: %1|"
                                     "userPassword: %1-senha")
                          .arg(uid)
                          .split('|'));
    const auto member = [](const char *uid) { return QStringLiteral("member: uid=%1,%2").arg(uid, People); };
    tree += entry(Maintainers, {"objectClass: groupOfNames", "cn: mantenedores", member("ana"),
                                member("davi")}) +
            entry(Readers, {"objectClass: groupOfNames", "cn: leitores", member("bia")});
    return tool(QStringLiteral("ldapadd"), tree);
}

bool DirectoryServer::tool(const QString &program, const QString &ldif)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, {"-x", "-H", url(false), "-D", Admin[0], "-w", Admin[1]});
    tool.write(ldif.toUtf8());
    tool.closeWriteChannel();
    if (tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit &&
        tool.exitCode() == 0)
        return true;
    m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(tool.readAll()));
    return false;
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

void DirectoryServer::stop()
{
    if (!m_slapd) return;
    ::kill(pid_t(m_slapd->processId()), SIGCONT);
    m_slapd->terminate();
    if (!m_slapd->waitForFinished(10000)) m_slapd->kill();
    m_slapd->waitForFinished(10000);
    m_slapd.reset();
}
