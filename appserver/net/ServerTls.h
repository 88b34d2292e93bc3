#pragma once

#include <QSslConfiguration>
#include <QString>

// The TLS configuration of the listening side: the server's certificate (PEM, with any
// intermediate certificates after it) and its private key (PEM, not encrypted), TLS 1.2 or
// later. Clients are not asked for certificates; they log in with user and password.
class ServerTls
{
public:
    // Throws Exception naming the file that cannot be read or used.
    static QSslConfiguration load(const QString &certificateFile, const QString &keyFile);
};
