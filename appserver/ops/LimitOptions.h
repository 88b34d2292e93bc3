#pragma once

#include "ConnectionLimits.h"
#include "DatabaseDeadlines.h"

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

// The command-line options of the server's limits: what each connection and all of them may
// hold, and how long anyone is waited for.
class LimitOptions
{
public:
    LimitOptions();
    void addTo(QCommandLineParser &parser) const;
    // Throws Exception with a Portuguese text naming the option that cannot be used.
    void read(const QCommandLineParser &parser, ConnectionLimits &limits,
              DatabaseDeadlines &deadlines) const;

private:
    QList<QCommandLineOption> m_options;
};
