#include "ServerOptions.h"

#include "DatabaseConfig.h"
#include "DirectoryOptions.h"
#include "Exceptions.h"
#include "LimitOptions.h"
#include "PasswordHash.h"
#include "WireProtocol.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <tuple>

namespace {

// HOST:PORT of the given option, e.g. --listen.
std::pair<QHostAddress, quint16> parseAddress(const QString &option, const QString &text)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QString() : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = QStringView(text).mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !ok || port > 65535)
        throw Exception(QStringLiteral("%1 espera MAQUINA:PORTA (por exemplo 127.0.0.1:%2), "
                                       "recebeu \"%3\".")
                            .arg(option)
                            .arg(wire::DefaultPort)
                            .arg(text));
    const QHostAddress address(host == QLatin1String("localhost") ? QStringLiteral("127.0.0.1")
                                                                  : host);
    if (address.isNull())
        throw Exception(
            QStringLiteral("%1: endereço inválido \"%2\" (use um endereço IP).").arg(option, host));
    return {address, quint16(port)};
}

// Without TLS, only loopback, unless --insecure accepts the risk.
void refuseInTheClear(const ServerOptions &options, const QHostAddress &address,
                      const QString &what)
{
    if (options.usesTls() || options.insecure || address.isLoopback()) return;
    throw Exception(QStringLiteral("Recusado %1 em %2 sem TLS: senhas e dados trafegariam às "
                                   "claras pela rede. Informe --tls-cert e --tls-key, ou "
                                   "--insecure para aceitar o risco.")
                        .arg(what, address.toString()));
}

} // namespace

QString ServerOptions::defaultDatabaseUrl()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QStringLiteral("sqlite:") + QDir(folder).filePath(QStringLiteral("kzr01200.sqlite"));
}

ServerOptions ServerOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Servidor de aplicação da tela Dimensão (KZR01200): módulos "
                       "KZR01200.rdmDimensao, KZR00600.rdmEstrutura e KZR01200.rdmAnalise.\n"
                       "Administração: kzr-appserver user add NOME --role read-only|maintain, "
                       "user passwd NOME, user remove NOME, user list; kzr-appserver sessions end NOME; "
                       "kzr-appserver audit [--logins] [--since DATA] [--user NOME]; "
                       "kzr-appserver backup ARQUIVO, restore ARQUIVO."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda."));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Endereço e porta em que o servidor escuta (padrão 127.0.0.1:%1; porta 0 "
                       "escolhe uma livre).")
            .arg(wire::DefaultPort),
        QStringLiteral("MAQUINA:PORTA"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral(
            "Banco de dados: sqlite:CAMINHO ou postgresql://usuario@maquina:porta/banco. "
            "Padrão: a variável KZR_DATABASE, senão %1.")
            .arg(defaultDatabaseUrl()),
        QStringLiteral("URL"));
    const QCommandLineOption workers(
        QStringLiteral("workers"),
        QStringLiteral("Quantidade de threads de trabalho, cada uma com sua conexão ao banco "
                       "(padrão: o dobro dos processadores, no mínimo 4)."),
        QStringLiteral("N"));
    const QCommandLineOption sessionIdle(
        QStringLiteral("session-idle"),
        QStringLiteral("Segundos sem uso após os quais uma sessão termina e o usuário precisa "
                       "entrar de novo (padrão 1800)."),
        QStringLiteral("SEGUNDOS"));
    const QCommandLineOption tlsCertificate(
        QStringLiteral("tls-cert"),
        QStringLiteral("Certificado do servidor (PEM): as conexões passam a ser cifradas com TLS."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    QStringLiteral("Chave privada do certificado (PEM)."),
                                    QStringLiteral("ARQUIVO"));
    const QCommandLineOption insecure(
        QStringLiteral("insecure"),
        QStringLiteral("Permite escutar sem TLS num endereço que não seja o local (senhas e dados "
                       "trafegam às claras)."));
    const QCommandLineOption testCost(
        QString::fromLatin1(PasswordHash::TestCostFlag),
        QStringLiteral("Somente para testes: hashes de senha com o menor custo possível, fáceis "
                       "de quebrar."));
    const QCommandLineOption metrics(
        QStringLiteral("metrics"),
        QStringLiteral("Serve por HTTP /metrics (contagens no formato do Prometheus) e /health "
                       "(200 se o banco responde, senão 503) neste endereço; desligado por "
                       "padrão. Com --tls-cert, por HTTPS."),
        QStringLiteral("MAQUINA:PORTA"));
    const QCommandLineOption http(
        QStringLiteral("http"),
        QStringLiteral("Serve a API HTTP (JSON, /api/v1) e a página das dimensões neste "
                       "endereço; desligado por padrão. Com --tls-cert, por HTTPS."),
        QStringLiteral("MAQUINA:PORTA"));
    parser.addOptions({help, listen, database, workers, sessionIdle, tlsCertificate, tlsKey,
                       insecure, testCost, metrics, http});
    const LimitOptions limits;
    limits.addTo(parser);
    const DirectoryOptions directory;
    directory.addTo(parser);
    if (!parser.parse(arguments)) throw Exception(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        throw Exception(
            QStringLiteral("Argumento inesperado: %1").arg(parser.positionalArguments().first()));

    ServerOptions options;
    options.helpRequested = parser.isSet(help);
    options.helpText = parser.helpText();
    options.port = wire::DefaultPort;
    if (parser.isSet(listen))
        std::tie(options.address, options.port) =
            parseAddress(QStringLiteral("--listen"), parser.value(listen));
    if (parser.isSet(metrics))
        options.metrics = parseAddress(QStringLiteral("--metrics"), parser.value(metrics));
    if (parser.isSet(http))
        options.http = parseAddress(QStringLiteral("--http"), parser.value(http));
    if (parser.isSet(database)) {
        options.databaseUrl = parser.value(database);
        options.databasePasswordGiven = DatabaseConfig::parse(options.databaseUrl).hasPassword();
    } else if (!qEnvironmentVariableIsEmpty("KZR_DATABASE")) {
        options.databaseUrl = qEnvironmentVariable("KZR_DATABASE");
    } else {
        options.databaseUrl = defaultDatabaseUrl();
    }
    options.workers = std::max(4, 2 * QThread::idealThreadCount());
    if (parser.isSet(workers)) {
        bool ok = false;
        options.workers = parser.value(workers).toInt(&ok);
        if (!ok || options.workers < 1 || options.workers > 256)
            throw Exception(QStringLiteral("--workers espera um número de 1 a 256, recebeu \"%1\".")
                                .arg(parser.value(workers)));
    }
    limits.read(parser, options.limits, options.deadlines);
    options.directory = directory.read(parser);
    if (parser.isSet(sessionIdle)) {
        bool ok = false;
        options.sessionIdleSeconds = parser.value(sessionIdle).toInt(&ok);
        if (!ok || options.sessionIdleSeconds < 1)
            throw Exception(
                QStringLiteral("--session-idle espera um número de segundos, recebeu \"%1\".")
                    .arg(parser.value(sessionIdle)));
    }
    options.tlsCertificate = parser.value(tlsCertificate);
    options.tlsKey = parser.value(tlsKey);
    if (options.tlsCertificate.isEmpty() != options.tlsKey.isEmpty())
        throw Exception(QStringLiteral("--tls-cert e --tls-key vão juntas: informe as duas."));
    options.insecure = parser.isSet(insecure);
    options.testPasswordCost = parser.isSet(testCost);
    refuseInTheClear(options, options.address, QStringLiteral("escutar"));
    if (options.metrics)
        refuseInTheClear(options, options.metrics->first, QStringLiteral("servir as métricas"));
    if (options.http)
        refuseInTheClear(options, options.http->first, QStringLiteral("servir a API HTTP"));
    return options;
}
