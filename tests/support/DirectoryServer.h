#pragma once

#include "TestCertificates.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A throwaway company directory: OpenLDAP's slapd on two free loopback ports, plain LDAP (for
// StartTLS) and LDAPS, with a certificate of an authority made for the run, and a small tree:
//
//   dc=kzr,dc=test
//     cn=leitor                 the service account, password "servico"
//     ou=people: uid=ana, uid=bia, uid=caio, uid=davi   password: the name + "-senha"
//     ou=groups: cn=mantenedores (ana, davi), cn=leitores (bia)
//
// Users carry memberOf (slapd's memberof overlay), as Active Directory's do. It logs every
// operation it is asked, so that a test can count the work a login costs.
class DirectoryServer
{
public:
    static QString unavailableReason(); // empty when slapd and the LDAP tools are installed

    DirectoryServer();
    ~DirectoryServer(); // stop()

    bool start(); // false with the reason in error()
    void stop();
    // Freezes slapd (SIGSTOP), a directory that takes connections and answers nothing.
    void pause();
    void resume();
    // Applies an LDIF of changes as the directory's administrator.
    bool modify(const QString &ldif);

    QString error() const { return m_error; }
    QString ldapUrl() const;
    QString ldapsUrl() const;
    const TestCertificates &certificates() const { return m_certificates; }
    // Operations the directory was asked so far (binds, searches, compares, StartTLS).
    int operations();

    static constexpr const char *Base = "dc=kzr,dc=test";
    static constexpr const char *People = "ou=people,dc=kzr,dc=test";
    static constexpr const char *Maintainers = "cn=mantenedores,ou=groups,dc=kzr,dc=test";
    static constexpr const char *Readers = "cn=leitores,ou=groups,dc=kzr,dc=test";
    static constexpr const char *ServiceAccount = "cn=leitor,dc=kzr,dc=test";

private:
    bool ldapTool(const QString &program, const QString &ldif);

    QTemporaryDir m_dir;
    TestCertificates m_certificates;
    std::unique_ptr<QProcess> m_slapd;
    QByteArray m_log;
    quint16 m_ldapPort = 0;
    quint16 m_ldapsPort = 0;
    QString m_error;
};
