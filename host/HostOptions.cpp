#include "HostOptions.h"

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
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Grava a janela em PNG e sai."), QStringLiteral("FILE"));
    const QCommandLineOption packageDir(QStringLiteral("package-dir"), QStringLiteral("Pasta dos pacotes de telas."), QStringLiteral("DIR"));
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Arquivo de configuração."), QStringLiteral("FILE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Usuário com que entrar no servidor."), QStringLiteral("NOME"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"), QStringLiteral("Arquivo cuja primeira linha é a senha: entra sem perguntar."), QStringLiteral("FILE"));
    const QCommandLineOption tls(QStringLiteral("tls"), QStringLiteral("O servidor usa TLS."));
    const QCommandLineOption caFile(QStringLiteral("ca-file"), QStringLiteral("Certificados (PEM) das autoridades em que confiar; implica --tls."), QStringLiteral("FILE"));
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
    const std::unique_ptr<QSettings> stored = options.openSettings();
    options.server = stored->value(QStringLiteral("server/host"), options.server).toString();
    options.user = parser.isSet(user) ? parser.value(user) : stored->value(QStringLiteral("server/user")).toString();
    options.passwordFile = parser.value(passwordFile);
    options.caFile = parser.isSet(caFile) ? parser.value(caFile) : stored->value(QStringLiteral("server/cafile")).toString();
    options.tls = parser.isSet(tls) || !options.caFile.isEmpty() || stored->value(QStringLiteral("server/tls"), false).toBool();
    options.fingerprint = stored->value(QStringLiteral("server/fingerprint")).toString();
    QString portText = stored->value(QStringLiteral("server/port"), QString::number(options.port)).toString();

    if (parser.isSet(server))
        options.server = parser.value(server);
    if (parser.isSet(port))
        portText = parser.value(port);
    bool ok = false;
    const int number = portText.toInt(&ok);
    if (!ok || number <= 0 || number > 65535) {
        if (error)
            *error = QStringLiteral("Porta inválida: \"%1\".").arg(portText);
        return options;
    }
    options.port = number;
    options.open = parser.values(open);
    options.screenshot = parser.value(screenshot);
    options.packageDir = parser.value(packageDir);
    if (error)
        error->clear();
    return options;
}

std::unique_ptr<QSettings> HostOptions::openSettings() const
{
    return settingsFile.isEmpty()
        ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kzr"),
                                      QStringLiteral("kzr-host"))
        : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
}
