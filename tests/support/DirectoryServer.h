#pragma once

#include "TestCertificates.h"

#include <QProcess>
#include <memory>

// A throwaway company directory: slapd on free loopback ports, LDAP (for StartTLS) and LDAPS with
// a certificate of an authority made for the run, and a small tree under dc=kzr,dc=test: the
// service account cn=leitor (password "servico"); uid=ana, bia, caio and davi in ou=people
// (password: the name + "-senha"); in ou=groups cn=mantenedores (ana, davi) and cn=leitores (bia).
// Users carry memberOf (slapd's memberof overlay), as Active Directory's do. slapd logs every
// operation, so that a test can count the work a login costs.
class DirectoryServer
{
public:
    ~DirectoryServer() { stop(); }
    bool start(); // false with the reason in error()
    void stop();
    void pause(); // SIGSTOP: takes connections and answers nothing
    bool ldapModify(const QString &ldif) { return tool(QStringLiteral("ldapmodify"), ldif); }
    QString error() const { return m_error; }
    QString url(bool ldaps) const;
    const TestCertificates &certificates() const { return m_certificates; }
    int operations(); // binds, searches, compares and StartTLS asked so far

    static constexpr const char *People = "ou=people,dc=kzr,dc=test";
    static constexpr const char *Maintainers = "cn=mantenedores,ou=groups,dc=kzr,dc=test";
    static constexpr const char *Readers = "cn=leitores,ou=groups,dc=kzr,dc=test";
    static constexpr const char *ServiceAccount = "cn=leitor,dc=kzr,dc=test";

private:
    bool tool(const QString &program, const QString &ldif);

    QTemporaryDir m_dir;
    TestCertificates m_certificates;
    std::unique_ptr<QProcess> m_slapd;
    QByteArray m_log;
    quint16 m_ports[2] = {0, 0};
    QString m_error;
};
