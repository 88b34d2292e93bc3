#include "DatabaseLock.h"

#include "DatabaseConfig.h"
#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

DatabaseLock::DatabaseLock(const DatabaseConfig &config, Use use)
{
    if (!config.isSqlite()) return;
    const QFileInfo database(config.sqlitePath());
    const QString path = database.absoluteFilePath();
    // A new database's folder and file are made here already: the lock is taken before
    // anything else, and only by their owner can they be opened.
    if (!QFileInfo::exists(database.absolutePath()) && QDir().mkpath(database.absolutePath()))
        QFile::setPermissions(database.absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray name = QFile::encodeName(path);
    m_descriptor = ::open(name.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    m_made = m_descriptor >= 0;
    if (!m_made && errno == EEXIST) m_descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (m_descriptor < 0)
        throw Exception(QStringLiteral("Não foi possível abrir %1: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    const int how = use == Use::Restore ? LOCK_EX : LOCK_SH;
    int result;
    do {
        result = ::flock(m_descriptor, how | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return;
    ::close(m_descriptor);
    m_descriptor = -1;
    if (use == Use::Restore)
        throw Exception(QStringLiteral("O banco de dados %1 está em uso (um servidor ou um comando "
                                       "de administração); pare o servidor antes de restaurar. "
                                       "Nada foi restaurado.")
                            .arg(path));
    throw Exception(QStringLiteral("O banco de dados %1 está sendo restaurado; tente de novo "
                                   "quando a restauração terminar.")
                        .arg(path));
}

DatabaseLock::~DatabaseLock()
{
    if (m_descriptor >= 0) ::close(m_descriptor);
}
