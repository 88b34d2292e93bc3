#pragma once

#include "DirectorySettings.h"
#include "LoginCheck.h"

#include <QString>

// Checks a login against the company's directory with the OpenLDAP client library: finds the
// user's entry (a search as the service account, or the DN template), binds as the user with
// the password given, and reads which of the two groups the user is in. Each login has its own
// connection, TLS verified against the CA file (StartTLS on ldap://), and all of its exchange
// fits in the settings' time limit. A password goes nowhere but into that bind.
class DirectoryLogin
{
public:
    explicit DirectoryLogin(DirectorySettings settings);

    // Accepted with the role of the group (maintain first); Refused for a wrong password, an
    // unknown name or a member of neither group, after the same steps; Outage when the
    // directory could not be reached, did not answer in time, or refused the service account
    // (the reason goes to the log, never to the client).
    LoginCheck::Outcome check(const QString &user, const QString &password) const;

    // RFC 4515 and RFC 4514: the name as a value inside a search filter and inside a DN.
    static QByteArray escapedForFilter(const QString &value);
    static QByteArray escapedForDn(const QString &value);

private:
    DirectorySettings m_settings;
};
