#pragma once

#include <QByteArray>
#include <QString>

// How a client reaches the application server beyond host and port: the session it logged in
// to, and whether and how the server's certificate is trusted.
struct ServerAccess
{
    QString sessionToken; // from ServerLogin; empty: not logged in
    QString role;         // the session's, from ServerLogin: "read-only" or "maintain"
    bool tls = false;
    QString caFile; // PEM certificates to trust; empty: the system's
    // SHA-256 of the server certificate (hex, any case, ":" allowed) that the user accepted
    // once; trusted even when no authority vouches for it.
    QString pinnedFingerprint;
};

namespace server_access {

// "AB:CD:..." upper-case hex of a certificate's SHA-256 digest, as shown to users.
QString fingerprintText(const QByteArray &sha256);
bool sameFingerprint(const QString &a, const QString &b); // ignoring case and ":"

} // namespace server_access
