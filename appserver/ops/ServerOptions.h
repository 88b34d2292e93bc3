#pragma once

#include "ConnectionLimits.h"
#include "DatabaseDeadlines.h"
#include "DirectorySettings.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// The command line of kzr-appserver. Where to store: --database, else the environment
// variable KZR_DATABASE, else a SQLite file in the user's application-data folder.
class ServerOptions
{
public:
    // Throws Exception with a Portuguese text for an option it cannot use.
    static ServerOptions parse(const QStringList &arguments);
    static QString defaultDatabaseUrl();

    bool helpRequested = false;
    QString helpText;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    QString databaseUrl;
    int workers = 0;
    ConnectionLimits limits;
    DatabaseDeadlines deadlines;
    int sessionIdleSeconds = 1800;
    QString tlsCertificate; // PEM files; both given, or neither (then no TLS)
    QString tlsKey;
    bool insecure = false; // allows listening without TLS on an address other than loopback
    bool testPasswordCost = false; // PasswordHash::TestCostFlag: the cheapest hashes, for tests
    bool databasePasswordGiven = false; // the database URL on the command line holds a password
    // Where /metrics and /health are served; nullopt: not at all.
    std::optional<std::pair<QHostAddress, quint16>> metrics;
    DirectorySettings directory; // the company's directory, when --ldap-url is given
    // Where the HTTP API and its page are served; nullopt: not at all.
    std::optional<std::pair<QHostAddress, quint16>> http;

    bool usesTls() const { return !tlsCertificate.isEmpty(); }
};
