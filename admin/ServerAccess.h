#pragma once

#include <QString>
#include <memory>

class TNetConnection;

// Where the application server is and how to reach it, as the host has it: the same settings
// file (server/host, server/port), overridden by the command line. Every module the tool
// talks to is reached through connect(), the one place a connection is set up.
struct ServerAccess
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 21201;
    int timeoutMs = 30000;

    // A connected TNetConnection to the module; EConnectionError when it cannot be reached.
    std::unique_ptr<TNetConnection> connect(const QString &module) const;
};
