#pragma once

#include "ServerAccess.h"

#include <QString>

// Logging in to the application server: user name and password for a session token that the
// client's connections then present (TNetConnection resumes it on every new socket).
class ServerLogin
{
public:
    struct Session
    {
        QString token;
        QString role; // "read-only" or "maintain"
        int idleSeconds = 0;
    };

    // Throws ELoginRefused with the server's message for a wrong user or password,
    // EUntrustedCertificate when the server's certificate is not trusted, EConnectionError when
    // the server cannot be reached. The access's session token is not used.
    static Session login(const QString &host, int port, const ServerAccess &access,
                         const QString &user, const QString &password, int timeoutMs = 30000);
};
