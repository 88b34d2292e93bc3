#include "BackupCommand.h"

#include "DatabaseConfig.h"
#include "DatabaseLock.h"
#include "Exceptions.h"
#include "SchemaInstaller.h"
#include "SqliteBackup.h"
#include "SqliteFiles.h"

#include <QFileInfo>
#include <cstdio>

namespace {

QString postgresAdvice(const QString &command, const DatabaseConfig &config)
{
    QString tables;
    for (const QString &table : SchemaInstaller::tables())
        tables += QStringLiteral(" -t ") + table.toLower();
    if (command == QLatin1String("backup"))
        return QStringLiteral("Num banco PostgreSQL a cópia é do pg_dump, que lê um estado "
                              "consistente enquanto o servidor atende. As tabelas do servidor: "
                              "pg_dump -Fc%1 -f ARQUIVO %2")
            .arg(tables, config.displayUrl());
    return QStringLiteral("Num banco PostgreSQL a restauração é do pg_restore, com os servidores "
                          "parados: pg_restore --clean%1 -d %2 ARQUIVO")
        .arg(tables, config.displayUrl());
}

} // namespace

bool BackupCommand::handles(const QString &command)
{
    return command == QLatin1String("backup") || command == QLatin1String("restore");
}

void BackupCommand::run(const QStringList &positional, const DatabaseConfig &config,
                        bool overwrite)
{
    if (positional.size() != 2)
        throw Exception(QStringLiteral("uso: kzr-appserver backup ARQUIVO [--overwrite] | restore "
                                       "ARQUIVO; ambos aceitam --database URL."));
    const QString &command = positional[0];
    if (!config.isSqlite()) throw Exception(postgresAdvice(command, config));
    const QString file = QFileInfo(positional[1]).absoluteFilePath();
    const QString database = QFileInfo(config.sqlitePath()).absoluteFilePath();
    // Whatever name reaches them: writing over the journal of a running server loses what it
    // saved, and a copy read from the database itself restores nothing.
    if (SqliteFiles(database).isPartOf(file))
        throw Exception(QStringLiteral("%1 é o próprio banco de dados %2 ou um dos arquivos que o "
                                       "SQLite mantém ao lado dele; a cópia precisa de um arquivo "
                                       "à parte. Nada foi feito.")
                            .arg(file, database));
    if (command == QLatin1String("backup")) {
        SqliteBackup::save(database, file,
                           overwrite ? SqliteBackup::Existing::Replace
                                     : SqliteBackup::Existing::Refuse);
        std::printf("cópia de %s gravada em %s\n", qPrintable(database), qPrintable(file));
        return;
    }
    const DatabaseLock alone(config, DatabaseLock::Use::Restore);
    SqliteBackup::restore(file, database);
    std::printf("banco de dados %s restaurado de %s\n", qPrintable(database), qPrintable(file));
}
