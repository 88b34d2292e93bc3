// kzr-appserver: the application server program. Everything it does lives in kzrappserver.
#include "AdminCommand.h"
#include "AppServer.h"
#include "DatabaseConfig.h"
#include "DatabaseSetup.h"
#include "DescriptorLimit.h"
#include "Exceptions.h"
#include "ServerOptions.h"
#include "ServerTls.h"
#include "ShutdownSignals.h"

#include <QCoreApplication>
#include <cstdio>
#include <malloc.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "kzr-appserver: %s\n", qPrintable(line));
    std::fflush(stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    // Whatever the server creates (the database, its journals, folders) is its owner's alone.
    umask(0077);
    // A block of a megabyte or more (a reply, a list) comes from the system and goes back to it
    // when freed. The allocator would otherwise raise this bound to the largest block freed and
    // serve later ones from the arena of the worker that made them, which keeps its memory.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    // SQLite gives each temporary table of a statement (a member page has several) a block of
    // twenty pages of cache up front; freed at the statement's end, the worker's arena hands
    // it back to the system and faults it in again on the next request, a third of a short
    // read's time. Pages one at a time stay in the arena. Before any connection is opened.
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzr-appserver"));
    if (AdminCommand::isAdminCommand(app.arguments())) return AdminCommand::run(app.arguments());
    try {
        ServerOptions options = ServerOptions::parse(app.arguments());
        if (options.helpRequested) {
            std::fputs(qPrintable(options.helpText), stdout);
            return 0;
        }
        DatabaseConfig config = DatabaseConfig::parse(options.databaseUrl);
        config.setDeadlines(options.deadlines);
        // Before the database: a start that cannot serve leaves no new file behind.
        const std::optional<QSslConfiguration> tls =
            options.usesTls() ? std::optional(ServerTls::load(options.tlsCertificate, options.tlsKey))
                              : std::nullopt;
        for (const QString &warning : DatabaseSetup::prepare(config))
            say(warning);
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
        AppServer server(config, options.workers, options.limits,
                         std::chrono::seconds(options.sessionIdleSeconds));
        if (tls)
            server.useTls(*tls);
        else if (!options.address.isLoopback())
            say(QStringLiteral("aviso: sem TLS em %1 (--insecure): senhas e dados trafegam às "
                               "claras pela rede.")
                    .arg(options.address.toString()));
        server.listen(options.address, options.port);
        const QHostAddress address = server.address();
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                                 : address.toString();
        say(QStringLiteral("pronto em %1:%2 (%3%4)")
                .arg(host)
                .arg(server.port())
                .arg(config.displayUrl(), options.usesTls() ? QStringLiteral(", TLS") : QString()));
        return app.exec();
    } catch (const Exception &e) {
        say(e.Message());
        return 1;
    }
}
