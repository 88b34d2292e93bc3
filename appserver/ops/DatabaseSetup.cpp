#include "DatabaseSetup.h"

#include "Database.h"
#include "DatabaseConfig.h"
#include "DemoContent.h"
#include "Exceptions.h"
#include "FileErrorText.h"
#include "SchemaInstaller.h"
#include "SchemaVersion.h"
#include "SqliteBackup.h"
#include "UserStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OwnerOnlyFolder = OwnerOnlyFile | QFile::ExeOwner;

void makeFolder(const QString &path)
{
    if (QFileInfo::exists(path)) return;
    if (!QDir().mkpath(path))
        throw Exception(QStringLiteral("Não foi possível criar a pasta %1.").arg(path));
    if (!QFile::setPermissions(path, OwnerOnlyFolder))
        throw Exception(QStringLiteral("Não foi possível restringir a pasta %1.").arg(path));
}

// Beside the database, named after the version it keeps and when it was made.
QString copyBeforeUpgrade(const DatabaseConfig &config, qint64 version)
{
    QString file =
        QStringLiteral("%1.v%2-%3")
            .arg(config.sqlitePath())
            .arg(version)
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    SqliteBackup::save(config.sqlitePath(), file);
    return file;
}

} // namespace

QStringList DatabaseSetup::prepare(const DatabaseConfig &config, bool madeEmpty)
{
    QStringList warnings;
    bool fresh = false;
    if (config.isSqlite()) {
        const QFileInfo file(config.sqlitePath());
        fresh = madeEmpty || !file.exists();
        if (fresh) {
            makeFolder(file.absolutePath());
            // Created empty here, owner-only, before SQLite opens it: its journal files take
            // the same mode, and there is no moment at which others could open it.
            QFile created(file.absoluteFilePath());
            if (!created.open(QIODevice::WriteOnly) || !created.setPermissions(OwnerOnlyFile))
                throw Exception(QStringLiteral("Não foi possível criar o arquivo %1: %2")
                                    .arg(file.absoluteFilePath(), FileErrorText::writing(created)));
        } else if (file.permissions() &
                   (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup)) {
            warnings << QStringLiteral("aviso: o banco de dados %1 pode ser lido por outros "
                                       "usuários desta máquina (use chmod 600).")
                            .arg(file.absoluteFilePath());
        }
    }
    try {
        Database db(config, QStringLiteral("kzr-startup"));
        if (fresh) db.run(QStringLiteral("PRAGMA journal_mode = WAL"));
        const SchemaVersion::Found found = SchemaVersion::inspect(db);
        QString copy;
        if (found.older() && config.isSqlite())
            copy = copyBeforeUpgrade(config, found.version.value_or(1));
        SchemaInstaller::install(db);
        if (SchemaVersion::bringUpToDate(db, found))
            warnings << QStringLiteral("aviso: tabelas do servidor atualizadas da versão %1 para "
                                       "a %2%3.")
                            .arg(found.version.value_or(1))
                            .arg(SchemaVersion::Current)
                            .arg(copy.isEmpty() ? QString()
                                                : QStringLiteral("; cópia anterior em ") + copy);
        if (const std::optional<QString> reason = SchemaInstaller::watchLists(db))
            warnings << QStringLiteral("aviso: a lista de dimensões será lida do banco a cada "
                                       "pedido (não foi possível criar a tabela de versões: %1)")
                            .arg(*reason);
        if (fresh) DemoContent::install(db);
        if (UserStore(db).all().isEmpty())
            warnings << QStringLiteral("aviso: nenhum usuário cadastrado, ninguém consegue entrar; "
                                       "crie um com: kzr-appserver user add NOME --role maintain");
    } catch (...) {
        // A half-made new file would be taken for an existing database on the next start.
        if (fresh) QFile::remove(config.sqlitePath());
        throw;
    }
    return warnings;
}
