#pragma once

#include "AdminServer.h"

#include <QString>
#include <QStringList>

// What kzr-admin was asked to do. Parsed from the command line (program name first) and the
// host's settings file; the command line wins.
struct AdminOptions
{
    enum class Command { Export, Check, Import, History, Restore, Members };
    enum class Format { Text, Json, Csv };

    Command command = Command::Check;
    Format format = Format::Text;
    QString output;             // --output FILE; empty: standard output
    QString input;              // import: the file to apply
    QString code;               // history, restore, members: the dimension
    QString at;                 // restore --at: the moment whose version to restore (HistoryMoment)
    bool dryRun = false;        // import, restore --dry-run: only tell what would change
    bool deleteMissing = false; // import --delete-missing: delete dimensions the file leaves out
    AdminServer server;

    // On a bad argument, or when help was asked for, error holds what to show (and help
    // tells which of the two it was).
    static AdminOptions fromArguments(const QStringList &arguments, QString *error,
                                      bool *help = nullptr);
};
