#pragma once

#include <QString>
#include <QTemporaryDir>

// Certificates made afresh for a test run with the openssl program, never kept: an authority,
// a server certificate it signed for 127.0.0.1, and a second authority that signed nothing
// of ours. EC keys, which are quick to make.
class TestCertificates
{
public:
    bool make(); // false with the reason in error()
    QString error() const { return m_error; }

    QString authority() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString otherAuthority() const { return m_dir.filePath(QStringLiteral("other-ca.pem")); }
    QString serverCertificate() const { return m_dir.filePath(QStringLiteral("server.pem")); }
    QString serverKey() const { return m_dir.filePath(QStringLiteral("server.key")); }
    QString serverFingerprint() const; // as ServerAccess writes it

private:
    bool openssl(const QStringList &args);

    QTemporaryDir m_dir;
    QString m_error;
};
