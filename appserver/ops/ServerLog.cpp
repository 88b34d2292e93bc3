#include "ServerLog.h"

#include <QByteArray>
#include <QStringList>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// systemd says which stream is the journal's as "device:inode"; a program started from a
// service's shell inherits the variable with another standard error.
bool stderrIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat info
    {
    };
    if (stream.isEmpty() || ::fstat(STDERR_FILENO, &info) != 0) return false;
    return stream == QByteArray::number(quint64(info.st_dev)) + ':' +
                         QByteArray::number(quint64(info.st_ino));
}

void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    switch (type) {
    case QtFatalMsg:
    case QtCriticalMsg:
        ServerLog::error(text);
        break;
    case QtWarningMsg:
        ServerLog::warning(text);
        break;
    default:
        ServerLog::info(text);
    }
}

} // namespace

bool ServerLog::underSystemd()
{
    static const bool systemd = stderrIsJournal() || !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
    return systemd;
}

void ServerLog::write(Level level, const QString &line)
{
    if (underSystemd()) {
        // The journal takes each line on its own: each keeps the level.
        for (const QString &part : line.split(QLatin1Char('\n')))
            std::fprintf(stderr, "<%d>%s\n", int(level), qPrintable(part));
    } else {
        std::fprintf(stderr, "kzr-appserver: %s\n", qPrintable(line));
    }
    std::fflush(stderr);
}

void ServerLog::takeQtMessages()
{
    if (underSystemd()) qInstallMessageHandler(qtMessage);
}
