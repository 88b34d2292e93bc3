#include "SqliteFiles.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

// Where a name leads: the file itself with every link resolved when it exists, else the
// name in its folder with the folder's links resolved.
QString resolved(const QString &path)
{
    const QFileInfo info(path);
    QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat first{};
    struct stat second{};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

SqliteFiles::SqliteFiles(const QString &databasePath)
{
    // SQLite names its journals after the database with its links resolved.
    m_database << QFileInfo(databasePath).absoluteFilePath() << resolved(databasePath);
    m_database.removeDuplicates();
    for (const QString &database : std::as_const(m_database))
        for (const char *suffix : {"", "-wal", "-shm", "-journal", ".lock"})
            m_all << database + QLatin1String(suffix);
}

bool SqliteFiles::isDatabase(const QString &path) const
{
    return matches(path, m_database);
}

bool SqliteFiles::isPartOf(const QString &path) const
{
    return matches(path, m_all);
}

bool SqliteFiles::matches(const QString &path, const QStringList &names) const
{
    const QString where = resolved(path);
    for (const QString &name : names)
        if (where == name || where == resolved(name) || sameFile(path, name)) return true;
    return false;
}
