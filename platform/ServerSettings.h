#pragma once

#include "ServerAccess.h"
#include "WireProtocol.h"

#include <QString>
#include <memory>
#include <optional>

class QCommandLineParser;
class QSettings;

// Where the application server is and how its certificate is trusted, as kzr-host keeps it in
// its settings file (server/host, server/port, server/user, server/tls, server/cafile,
// server/fingerprint), with what a command line says over it. kzr-host and kzr-admin read it
// through here alike. A CA file, given or stored, makes the connection TLS; an accepted
// fingerprint is kept but counts only while no CA file is named (see ServerAccess).
struct ServerSettings
{
    // What the command line says; unset: the settings file decides.
    struct Given
    {
        std::optional<QString> host;
        std::optional<QString> port;
        std::optional<QString> user;
        std::optional<QString> caFile;
        bool tls = false;

        // From a parser that has the options --server, --port, --user, --ca-file and --tls.
        static Given from(const QCommandLineParser &parser);
    };

    QString host = QStringLiteral("127.0.0.1");
    int port = wire::DefaultPort;
    QString user; // the name last logged in with, unless given
    ServerAccess access;

    // The settings file (empty: the user's kzr-host settings) with given over it. On a bad
    // port, error says why.
    static ServerSettings read(const QString &settingsFile, const Given &given, QString *error);
    // The settings file itself, for the login to write the user name and an accepted
    // fingerprint back.
    static std::unique_ptr<QSettings> open(const QString &settingsFile);
};
