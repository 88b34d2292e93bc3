#include "SqliteBackup.h"

#include "Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// Long enough for a save of the running server to finish; a copy only reads.
constexpr int BusyTimeoutMs = 30000;

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

Connection open(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    Connection connection(db);
    if (code != SQLITE_OK)
        throw Exception(
            QStringLiteral("Não foi possível abrir %1: %2")
                .arg(path, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code))));
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    return connection;
}

// Every page in one step: one read transaction, so one consistent state of the source.
void copyAll(sqlite3 *from, sqlite3 *to, const QString &what)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        throw Exception(QStringLiteral("Não foi possível copiar %1: %2")
                            .arg(what, QString::fromUtf8(sqlite3_errmsg(to))));
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE || finish != SQLITE_OK)
        throw Exception(
            QStringLiteral("Não foi possível copiar %1: %2")
                .arg(what, QString::fromUtf8(sqlite3_errstr(step != SQLITE_DONE ? step : finish))));
}

} // namespace

void SqliteBackup::save(const QString &databasePath, const QString &file, Existing existing)
{
    if (!QFileInfo::exists(databasePath))
        throw Exception(QStringLiteral("O banco de dados %1 não existe.").arg(databasePath));
    // A name of its own, made here: never a file that was there before.
    QByteArray partial = QFile::encodeName(file) + ".parcial-XXXXXX";
    const int made = ::mkstemp(partial.data());
    if (made < 0)
        throw Exception(QStringLiteral("Não foi possível gravar a cópia em %1: %2")
                            .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
    ::close(made);
    const QString partialName = QFile::decodeName(partial);
    try {
        const Connection from = open(databasePath, SQLITE_OPEN_READONLY);
        const Connection to = open(partialName, SQLITE_OPEN_READWRITE);
        copyAll(from.get(), to.get(), databasePath);
    } catch (...) {
        QFile::remove(partialName);
        throw;
    }
    const QByteArray target = QFile::encodeName(file);
    // In one step, and over a file that is there only when asked to.
    const int renamed =
        existing == Existing::Replace
            ? ::rename(partial.constData(), target.constData())
            : ::renameat2(AT_FDCWD, partial.constData(), AT_FDCWD, target.constData(),
                          RENAME_NOREPLACE);
    if (renamed == 0) return;
    const int error = errno;
    QFile::remove(partialName);
    if (error == EEXIST)
        throw Exception(QStringLiteral("O arquivo %1 já existe; para substituí-lo pela cópia, use "
                                       "--overwrite. Nada foi gravado.")
                            .arg(file));
    throw Exception(QStringLiteral("Não foi possível gravar a cópia em %1: %2")
                        .arg(file, QString::fromLocal8Bit(std::strerror(error))));
}

void SqliteBackup::restore(const QString &file, const QString &databasePath)
{
    if (!QFileInfo::exists(file))
        throw Exception(QStringLiteral("A cópia %1 não existe.").arg(file));
    const Connection from = open(file, SQLITE_OPEN_READONLY);
    sqlite3_stmt *check = nullptr;
    QString verdict;
    if (sqlite3_prepare_v2(from.get(), "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)));
    else
        verdict = QString::fromUtf8(sqlite3_errmsg(from.get()));
    sqlite3_finalize(check);
    if (verdict != QLatin1String("ok"))
        throw Exception(QStringLiteral("%1 não é uma cópia íntegra de banco SQLite (%2); nada foi "
                                       "restaurado.")
                            .arg(file, verdict));
    const Connection to = open(databasePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    copyAll(from.get(), to.get(), file);
}
