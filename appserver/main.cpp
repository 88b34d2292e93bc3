// kzr-appserver: the application server program. Everything it does lives in kzrappserver.
#include "AppServer.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "DemoContent.h"
#include "DescriptorLimit.h"
#include "Exceptions.h"
#include "SchemaInstaller.h"
#include "ServerOptions.h"
#include "ShutdownSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "kzr-appserver: %s\n", qPrintable(line));
    std::fflush(stderr);
}

// Creates the server's tables where missing; a SQLite file that did not exist yet also gets
// the demo application, in WAL mode so that readers never wait for a writer.
void prepareDatabase(const DatabaseConfig &config)
{
    bool fresh = false;
    if (config.isSqlite()) {
        const QFileInfo file(config.sqlitePath());
        fresh = !file.exists();
        if (fresh && !QDir().mkpath(file.absolutePath()))
            throw Exception(
                QStringLiteral("Não foi possível criar a pasta %1.").arg(file.absolutePath()));
    }
    Database db(config, QStringLiteral("kzr-startup"));
    if (fresh) db.run(QStringLiteral("PRAGMA journal_mode = WAL"));
    SchemaInstaller::install(db);
    if (fresh) DemoContent::install(db);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzr-appserver"));
    try {
        ServerOptions options = ServerOptions::parse(app.arguments());
        if (options.helpRequested) {
            std::fputs(qPrintable(options.helpText), stdout);
            return 0;
        }
        DatabaseConfig config = DatabaseConfig::parse(options.databaseUrl);
        config.setDeadlines(options.deadlines);
        prepareDatabase(config);
        const int descriptors = DescriptorLimit::raise();
        const int room = DescriptorLimit::connectionRoom(descriptors, options.workers,
                                                         AppServer::MaxRefusalsInFlight);
        if (room < options.limits.maxConnections) {
            options.limits.maxConnections = room;
            say(QStringLiteral("no máximo %1 conexões: o sistema permite %2 arquivos abertos.")
                    .arg(room)
                    .arg(descriptors));
        }
        ShutdownSignals shutdown;
        AppServer server(config, options.workers, options.limits);
        server.listen(options.address, options.port);
        const QHostAddress address = server.address();
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                                 : address.toString();
        say(QStringLiteral("pronto em %1:%2 (%3)")
                .arg(host)
                .arg(server.port())
                .arg(config.displayUrl()));
        return app.exec();
    } catch (const Exception &e) {
        say(e.Message());
        return 1;
    }
}
