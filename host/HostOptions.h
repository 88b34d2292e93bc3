#pragma once

#include "WireProtocol.h"

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

// What the host was asked to do: where the application server is, which screens to open, where
// the screen packages are. The command line wins over the settings file.
struct HostOptions {
    QString server = QStringLiteral("127.0.0.1");
    int port = wire::DefaultPort;
    QStringList open;          // screen codes to open at start (--open, repeatable)
    QString screenshot;        // --screenshot FILE: grab the window after opening, then quit
    QString packageDir;        // where the screen packages are; empty: beside the program
    QString settingsFile;      // --settings FILE; empty: the user's kzr-host settings
    QString helpText;          // --help: what to print before leaving; empty otherwise
    QString user;              // --user, else the name last logged in with (settings)
    QString passwordFile;      // --password-file FILE: log in without asking (first line)
    bool tls = false;          // --tls (or settings server/tls): the server speaks TLS
    QString caFile;            // --ca-file (or settings server/cafile): authorities to trust
    QString fingerprint;       // settings server/fingerprint: the certificate the user accepted

    // The settings file these options read (and the login writes back to).
    std::unique_ptr<QSettings> openSettings() const;

    // Parses arguments (the program name first). On a bad argument, error says why.
    static HostOptions fromArguments(const QStringList &arguments, QString *error);
};
