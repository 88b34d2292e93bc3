#include "TestCertificates.h"

#include "ServerAccess.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>

bool TestCertificates::openssl(const QStringList &args)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1 failed: %2 %3")
                      .arg(args.join(QLatin1Char(' ')), process.errorString(),
                           QString::fromUtf8(process.readAll()));
        return false;
    }
    return true;
}

bool TestCertificates::make()
{
    const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile extensions(m_dir.filePath(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly)) return false;
    extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n");
    extensions.close();
    return openssl(QStringList{"req", "-x509"} + ecKey +
                   QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                               "/CN=kzr test authority"}) &&
           openssl(QStringList{"req", "-x509"} + ecKey +
                   QStringList{"-keyout", "other-ca.key", "-out", "other-ca.pem", "-days", "2",
                               "-subj", "/CN=kzr other authority"}) &&
           openssl(QStringList{"req"} + ecKey +
                   QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj",
                               "/CN=127.0.0.1"}) &&
           openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile",
                    "server.ext"});
}

QString TestCertificates::serverFingerprint() const
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(serverCertificate());
    return chain.isEmpty() ? QString()
                           : server_access::fingerprintText(
                                 chain.first().digest(QCryptographicHash::Sha256));
}
