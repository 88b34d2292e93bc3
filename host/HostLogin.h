#pragma once

#include "HostOptions.h"
#include "ServerAccess.h"

#include <QString>
#include <memory>

// The host's one login: asks for user and password through the login dialog (or reads the
// password file it was given), keeps the session for every connection of every screen, and
// remembers the user name (never the password) and an accepted server certificate in the
// settings. Asked again when the server says the session has ended.
class HostLogin
{
public:
    explicit HostLogin(const HostOptions &options);
    ~HostLogin();

    // With a password file to log in unattended, sends the login at once on a thread of its
    // own, so that the server checks the password while the host builds its window. Nothing
    // is shown or told: logIn() takes the answer as if it had asked itself.
    void start();
    // Whether start() sent a login whose answer logIn() has not taken yet.
    bool sent() const { return m_started != nullptr; }

    // Logs in; message says why it asks (empty the first time). False when the user gave up
    // (cancelled the dialog or refused the server's certificate). The dialog waits on the
    // server's answer and asks again by itself after a refusal.
    bool logIn(const QString &message = QString());

    ServerAccess access() const { return m_access; }
    QString user() const { return m_user; }
    QString role() const { return m_role; } // as the server names it: "read-only", "maintain"
    QString roleInWords() const;            // as the user reads it: "somente leitura", "manutenção"

private:
    struct Attempt;
    void rememberUser();
    bool trustCertificate(const QString &fingerprint, const QString &why);

    HostOptions m_options;
    ServerAccess m_access;
    QString m_user;
    QString m_role;
    bool m_passwordFileTried = false;
    std::unique_ptr<Attempt> m_started; // the login start() sent, until logIn() takes it
};
