#pragma once

#include "DirectorySettings.h"

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

// The command-line options of the company's directory (--ldap-...): where it is, how a user's
// entry is found, which groups give which role. The service account's password is read from a
// file, never taken from the command line.
class DirectoryOptions
{
public:
    DirectoryOptions();
    void addTo(QCommandLineParser &parser) const;
    // Throws Exception with a Portuguese text naming the option that cannot be used.
    DirectorySettings read(const QCommandLineParser &parser) const;

private:
    QList<QCommandLineOption> m_options;
};
