#pragma once

#include <QStringList>
#include <QTextStream>

// kzr-admin from its arguments to its exit code. Exit codes: 0 done (and, for check, no
// problem found); 1 check found a problem; 2 the command line was not understood; 3 the
// server could not be reached or failed, or the output could not be written.
class AdminTool
{
public:
    enum ExitCode { Done = 0, ProblemsFound = 1, BadUsage = 2, Failed = 3 };

    // out receives the result (unless --output names a file), err the messages.
    static int run(const QStringList &arguments, QTextStream &out, QTextStream &err);
};
