// kzr-appserver: the application server program. Everything it does lives in kzrappserver.
#include "AdminCommand.h"
#include "AppServer.h"
#include "DatabaseConfig.h"
#include "DatabaseLock.h"
#include "DatabaseSetup.h"
#include "DescriptorLimit.h"
#include "Exceptions.h"
#include "HealthProbe.h"
#include "HttpApi.h"
#include "MetricsEndpoint.h"
#include "PasswordHash.h"
#include "QtTranslations.h"
#include "ServerLog.h"
#include "ServerOptions.h"
#include "ServerTls.h"
#include "ShutdownSignals.h"
#include "SystemdNotifier.h"

#include <QCoreApplication>
#include <cstdio>
#include <malloc.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

QString hostText(const QHostAddress &address)
{
    return address.protocol() == QAbstractSocket::IPv6Protocol
               ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
               : address.toString();
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
    ServerLog::takeQtMessages();
    SpeakBrazilianPortuguese(); // Qt's words in --help and in its refusals of an option
    if (AdminCommand::isAdminCommand(app.arguments())) return AdminCommand::run(app.arguments());
    try {
        ServerOptions options = ServerOptions::parse(app.arguments());
        if (options.helpRequested) {
            std::fputs(qPrintable(options.helpText), stdout);
            return 0;
        }
        if (options.testPasswordCost) {
            PasswordHash::lowerCostForTests();
            ServerLog::warning(
                QStringLiteral("aviso: --%1: senhas novas com o menor custo, fáceis de quebrar. "
                               "Somente para testes.")
                    .arg(QLatin1String(PasswordHash::TestCostFlag)));
        }
        if (options.databasePasswordGiven)
            ServerLog::warning(
                QStringLiteral("aviso: a senha do banco de dados na linha de comando fica visível "
                               "a todos os usuários desta máquina (lista de processos); use "
                               "~/.pgpass, PGPASSFILE ou PGPASSWORD no arquivo de ambiente do "
                               "serviço."));
        DatabaseConfig config = DatabaseConfig::parse(options.databaseUrl);
        config.setDeadlines(options.deadlines);
        // Before the database: a start that cannot serve leaves no new file behind.
        const std::optional<QSslConfiguration> tls =
            options.usesTls()
                ? std::optional(ServerTls::load(options.tlsCertificate, options.tlsKey))
                : std::nullopt;
        // Held while the server runs: a restore of this database waits for it to stop.
        const DatabaseLock inUse(config, DatabaseLock::Use::Shared);
        for (const QString &warning : DatabaseSetup::prepare(config, inUse.madeTheFile()))
            ServerLog::warning(warning);
        const int descriptors = DescriptorLimit::raise();
        const int room = DescriptorLimit::connectionRoom(descriptors, options.workers,
                                                         AppServer::MaxRefusalsInFlight);
        if (room < options.limits.maxConnections) {
            options.limits.maxConnections = room;
            ServerLog::warning(
                QStringLiteral("no máximo %1 conexões: o sistema permite %2 arquivos abertos.")
                    .arg(room)
                    .arg(descriptors));
        }
        ShutdownSignals shutdown;
        AppServer server(config, options.workers, options.limits,
                         std::chrono::seconds(options.sessionIdleSeconds));
        if (tls)
            server.useTls(*tls);
        else if (!options.address.isLoopback())
            ServerLog::warning(
                QStringLiteral("aviso: sem TLS em %1 (--insecure): senhas e dados trafegam às "
                               "claras pela rede.")
                    .arg(options.address.toString()));
        if (options.directory.enabled()) server.useDirectory(options.directory);
        server.listen(options.address, options.port);
        std::optional<MetricsEndpoint> metrics;
        if (options.metrics) {
            metrics.emplace([&server] { return server.metricsText(); }, server.health());
            metrics->listen(options.metrics->first, options.metrics->second, tls);
        }
        std::optional<HttpApi> http;
        if (options.http) {
            http.emplace(server, options.limits);
            http->listen(options.http->first, options.http->second, tls);
            ServerLog::info(QStringLiteral("API HTTP em %1://%2:%3/api/v1")
                                .arg(tls ? QStringLiteral("https") : QStringLiteral("http"),
                                     hostText(options.http->first))
                                .arg(http->port()));
        }
        const QString where =
            QStringLiteral("%1:%2").arg(hostText(server.address())).arg(server.port());
        SystemdNotifier systemd(server.health(), [&] {
            return QStringLiteral("atendendo em %1; %2 conexões; banco de dados %3")
                .arg(where)
                .arg(server.connections())
                .arg(server.health().databaseAnswers() ? QStringLiteral("respondendo")
                                                       : QStringLiteral("sem resposta"));
        });
        server.health().start();
        if (metrics)
            ServerLog::info(QStringLiteral("métricas em %1://%2:%3/metrics")
                                .arg(tls ? QStringLiteral("https") : QStringLiteral("http"),
                                     hostText(options.metrics->first))
                                .arg(metrics->port()));
        ServerLog::info(QStringLiteral("pronto em %1 (%2%3%4)")
                            .arg(where, config.displayUrl(),
                                 options.usesTls() ? QStringLiteral(", TLS") : QString(),
                                 options.directory.enabled()
                                     ? QStringLiteral(", diretório ") + options.directory.url
                                     : QString()));
        systemd.ready();
        QObject::connect(&shutdown, &ShutdownSignals::requested, &server, [&] {
            systemd.stopping();
            ServerLog::info(QStringLiteral("parando: %1 conexões terminam o que pediram")
                                .arg(server.connections()));
            if (http) http->stopAccepting();
            server.drain();
        });
        QObject::connect(&server, &AppServer::drained, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        return app.exec();
    } catch (const Exception &e) {
        ServerLog::error(e.Message());
        return 1;
    }
}
