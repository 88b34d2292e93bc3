#include "AdminOptions.h"

#include <QCommandLineParser>
#include <QSettings>
#include <memory>

namespace {

const char *const Usage =
    "Comandos:\n"
    "  export   as dimensões e os seus atributos extras, em JSON (padrão) ou CSV\n"
    "  check    o perfil dos dados de cada dimensão, em texto (padrão) ou JSON;\n"
    "           termina com código 1 quando encontra um problema\n"
    "  import ARQUIVO\n"
    "           aplica um arquivo em JSON ou CSV (como export os escreve) pelas regras da\n"
    "           própria tela; termina com código 1 quando algum registro é recusado\n"
    "  members CÓDIGO\n"
    "           a árvore dos membros de uma dimensão, em JSON (padrão) ou CSV\n";

} // namespace

AdminOptions AdminOptions::fromArguments(const QStringList &arguments, QString *error, bool *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Manutenção das dimensões do cubo pelo servidor de aplicação.\n\n") +
        QString::fromUtf8(Usage));
    parser.addPositionalArgument(QStringLiteral("comando"),
                                 QStringLiteral("export, check, import ARQUIVO ou members CÓDIGO"));
    const QCommandLineOption server(
        QStringLiteral("server"), QStringLiteral("Servidor de aplicação."), QStringLiteral("HOST"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Porta do servidor."),
                                  QStringLiteral("N"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Arquivo de configuração (o do kzr-host)."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Formato da saída: text, json ou csv."),
                                    QStringLiteral("FORMATO"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Grava a saída no arquivo em vez de exibi-la."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("import: só informa o que mudaria."));
    const QCommandLineOption deleteMissing(
        QStringLiteral("delete-missing"),
        QStringLiteral("import: exclui as dimensões que o arquivo não traz."));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Usuário com que entrar no servidor."),
                                  QStringLiteral("NOME"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("Arquivo cuja primeira linha é a senha (sem ele: a variável KZR_PASSWORD)."),
        QStringLiteral("FILE"));
    parser.addOptions(
        {server, port, settings, format, output, dryRun, deleteMissing, user, passwordFile});
    parser.addHelpOption();

    AdminOptions options;
    const auto refuse = [&](const QString &why) {
        if (error) *error = why;
        return options;
    };
    if (help) *help = false;
    if (!parser.parse(arguments)) return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        if (help) *help = true;
        return refuse(parser.helpText());
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refuse(QStringLiteral("Informe um comando: export, check, import ou members.\n\n") +
                      QString::fromUtf8(Usage));
    const QString &command = positional.first();
    if (command == QLatin1String("export")) {
        options.command = Command::Export;
        options.format = Format::Json;
    } else if (command == QLatin1String("check")) {
        options.command = Command::Check;
        options.format = Format::Text;
    } else if (command == QLatin1String("import")) {
        options.command = Command::Import;
        if (positional.size() != 2)
            return refuse(QStringLiteral("Informe o arquivo a importar: import ARQUIVO."));
        options.input = positional.at(1);
        options.format = options.input.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                             ? Format::Csv
                             : Format::Json;
    } else if (command == QLatin1String("members")) {
        options.command = Command::Members;
        options.format = Format::Json;
        if (positional.size() != 2)
            return refuse(QStringLiteral("Informe o código da dimensão: members CÓDIGO."));
        options.code = positional.at(1);
    } else {
        return refuse(QStringLiteral("Comando desconhecido: \"%1\".\n\n").arg(command) +
                      QString::fromUtf8(Usage));
    }
    if (options.command != Command::Import && options.command != Command::Members &&
        positional.size() != 1)
        return refuse(QStringLiteral("Argumento a mais: \"%1\".").arg(positional.at(1)));
    if (parser.isSet(format)) {
        const QString name = parser.value(format);
        const bool allowed = options.command == Command::Check
                                 ? (name == QLatin1String("json") || name == QLatin1String("text"))
                                 : (name == QLatin1String("json") || name == QLatin1String("csv"));
        if (!allowed)
            return refuse(QStringLiteral("Formato \"%1\" não disponível para o comando %2.")
                              .arg(name, command));
        options.format = name == QLatin1String("json")  ? Format::Json
                         : name == QLatin1String("csv") ? Format::Csv
                                                        : Format::Text;
    }
    if (options.command != Command::Import && (parser.isSet(dryRun) || parser.isSet(deleteMissing)))
        return refuse(QStringLiteral("--dry-run e --delete-missing servem só ao comando import."));
    options.dryRun = parser.isSet(dryRun);
    options.deleteMissing = parser.isSet(deleteMissing);
    options.output = parser.value(output);

    // The host's own settings, so that both reach the same server without being told twice.
    const QString settingsFile = parser.value(settings);
    std::unique_ptr<QSettings> stored =
        settingsFile.isEmpty()
            ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("kzr"), QStringLiteral("kzr-host"))
            : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    options.server.host =
        stored->value(QStringLiteral("server/host"), options.server.host).toString();
    QString portText =
        stored->value(QStringLiteral("server/port"), QString::number(options.server.port))
            .toString();
    if (parser.isSet(server)) options.server.host = parser.value(server);
    if (parser.isSet(port)) portText = parser.value(port);
    bool ok = false;
    const int number = portText.toInt(&ok);
    if (!ok || number <= 0 || number > 65535)
        return refuse(QStringLiteral("Porta inválida: \"%1\".").arg(portText));
    options.server.port = number;
    options.server.user = parser.isSet(user)
                              ? parser.value(user)
                              : stored->value(QStringLiteral("server/user")).toString();
    options.server.passwordFile = parser.value(passwordFile);
    if (error) error->clear();
    return options;
}
