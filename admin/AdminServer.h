#pragma once

#include "ServerAccess.h"
#include "WireProtocol.h"

#include <QString>
#include <memory>

class TNetConnection;

// Where the application server is and how to reach it, as the host has it: the same settings
// (ServerSettings: host, port, user, TLS, CA file, accepted fingerprint), overridden by the
// command line. Every module
// the tool talks to is reached through connect(), the one place a connection is set up; the
// first one logs in, and every connection after it joins that session.
struct AdminServer
{
    QString host = QStringLiteral("127.0.0.1");
    int port = wire::DefaultPort;
    int timeoutMs = 30000;
    QString user;
    // Its first line is the password. Without one: $KZR_PASSWORD (for scripts, the weakest
    // choice: the environment of a process is readable by its owner's other processes), else
    // the first line of standard input when it is no terminal, else asked on the terminal.
    QString passwordFile;
    ServerAccess trust; // TLS, CA file and accepted fingerprint; no session

    // A connected TNetConnection to the module; EConnectionError when it cannot be reached,
    // ELoginRefused when the server does not let the user in.
    std::unique_ptr<TNetConnection> connect(const QString &module) const;
    // The session every connection of the tool presents (logging in the first time).
    ServerAccess access() const;

private:
    mutable ServerAccess m_access;
};
