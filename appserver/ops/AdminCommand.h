#pragma once

#include <QStringList>

// The administration commands of kzr-appserver, run instead of the server when the first
// argument names one:
//
//   kzr-appserver user add NAME --role ROLE     (password read from standard input)
//   kzr-appserver user passwd NAME
//   kzr-appserver user remove NAME
//   kzr-appserver user list                     (local users, then those of the directory)
//   kzr-appserver sessions end NAME             (on every server of the database)
//   kzr-appserver audit [--since DATE] [--user NAME]
//   kzr-appserver backup FILE [--overwrite] | restore FILE    (see BackupCommand)
//
// Each also takes --database URL (default as for the server) and works on that database
// directly, so it needs no running server.
class AdminCommand
{
public:
    static bool isAdminCommand(const QStringList &arguments); // arguments with the program first
    // Runs the command; the exit code. Results go to standard output, errors to standard error.
    static int run(const QStringList &arguments);
};
