#pragma once

#include <QString>

// The lines the server writes to standard error. Run by systemd (standard error is the
// journal's stream, or systemd waits for the server's notifications), each line starts with
// the journal's priority, <3> an error, <4> a warning, <6> information, so that
// "journalctl -p warning" finds what needs a look; the journal names the program itself.
// Otherwise plain "kzr-appserver: ..." lines, as an operator at a terminal reads them. Qt's
// own messages go the same way.
class ServerLog
{
public:
    enum class Level { Error = 3, Warning = 4, Info = 6 };

    static void error(const QString &line) { write(Level::Error, line); }
    static void warning(const QString &line) { write(Level::Warning, line); }
    static void info(const QString &line) { write(Level::Info, line); }
    static void write(Level level, const QString &line);

    // Under systemd, Qt's own messages with their levels too; once, at start.
    static void takeQtMessages();

private:
    static bool underSystemd();
};
