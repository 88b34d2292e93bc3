#include "HostOptions.h"

#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QSettings>
#include <memory>

HostOptions HostOptions::fromArguments(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Aplicação hospedeira das telas KZR"));
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("Servidor de aplicação."), QStringLiteral("HOST"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Porta do servidor."), QStringLiteral("N"));
    const QCommandLineOption open(QStringLiteral("open"), QStringLiteral("Tela a abrir ao iniciar."), QStringLiteral("CODIGO"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Grava a janela em PNG e sai."), QStringLiteral("ARQUIVO"));
    const QCommandLineOption packageDir(QStringLiteral("package-dir"), QStringLiteral("Pasta dos pacotes de telas."), QStringLiteral("PASTA"));
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Arquivo de configuração."), QStringLiteral("ARQUIVO"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Usuário com que entrar no servidor."), QStringLiteral("NOME"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"), QStringLiteral("Arquivo cuja primeira linha é a senha: entra sem perguntar."), QStringLiteral("ARQUIVO"));
    const QCommandLineOption tls(QStringLiteral("tls"), QStringLiteral("O servidor usa TLS."));
    const QCommandLineOption caFile(QStringLiteral("ca-file"), QStringLiteral("Certificados (PEM) das autoridades em que confiar; implica --tls."), QStringLiteral("ARQUIVO"));
    parser.addOptions({server, port, open, screenshot, packageDir, settings, user, passwordFile, tls, caFile});
    parser.addHelpOption();

    HostOptions options;
    if (!parser.parse(arguments)) {
        if (error)
            *error = parser.errorText();
        return options;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        options.helpText = parser.helpText();
        if (error)
            error->clear();
        return options;
    }

    options.settingsFile = parser.value(settings);
    const ServerSettings::Given given = ServerSettings::Given::from(parser);
    QString invalid;
    const ServerSettings read = ServerSettings::read(options.settingsFile, given, &invalid);
    if (!invalid.isEmpty()) {
        if (error)
            *error = invalid;
        return options;
    }
    options.server = read.host;
    options.port = read.port;
    options.user = read.user;
    options.tls = read.access.tls;
    options.caFile = read.access.caFile;
    options.fingerprint = read.access.pinnedFingerprint;
    options.passwordFile = parser.value(passwordFile);
    options.open = parser.values(open);
    options.screenshot = parser.value(screenshot);
    options.packageDir = parser.value(packageDir);
    if (error)
        error->clear();
    return options;
}

std::unique_ptr<QSettings> HostOptions::openSettings() const
{
    return ServerSettings::open(settingsFile);
}
