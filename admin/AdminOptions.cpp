#include "AdminOptions.h"

#include "DimensionCode.h"
#include "HistoryMoment.h"
#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QDateTime>

namespace {

const char *const Usage =
    "Comandos:\n"
    "  export   as dimensões e os seus atributos extras, em JSON (padrão) ou CSV\n"
    "  check    o perfil dos dados de cada dimensão, em texto (padrão) ou JSON;\n"
    "           termina com código 1 quando encontra um problema\n"
    "  import ARQUIVO\n"
    "           aplica um arquivo em JSON ou CSV (como export os escreve) pelas regras da\n"
    "           própria tela; termina com código 1 quando algum registro é recusado\n"
    "  history CÓDIGO\n"
    "           as alterações gravadas da dimensão e dos seus atributos extras, da mais\n"
    "           recente à mais antiga, em texto (padrão) ou JSON\n"
    "  restore CÓDIGO --at MOMENTO\n"
    "           devolve a dimensão e os seus atributos extras ao que eram logo após a\n"
    "           última alteração até o MOMENTO (horário local, como history o mostra:\n"
    "           AAAA-MM-DDTHH:MM:SS[.zzz][zona] ou DD/MM/AAAA HH:MM:SS), pelas\n"
    "           regras da própria tela; termina com código 1 quando a tela recusa\n"
    "  members CÓDIGO\n"
    "           a árvore dos membros de uma dimensão, em JSON (padrão) ou CSV\n";

} // namespace

AdminOptions AdminOptions::fromArguments(const QStringList &arguments, QString *error, bool *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Manutenção das dimensões do cubo pelo servidor de aplicação.\n\n") +
        QString::fromUtf8(Usage));
    parser.addPositionalArgument(
        QStringLiteral("comando"),
        QStringLiteral("export, check, import ARQUIVO, history CÓDIGO, restore CÓDIGO ou members "
                       "CÓDIGO"));
    const QCommandLineOption server(
        QStringLiteral("server"), QStringLiteral("Servidor de aplicação."), QStringLiteral("HOST"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Porta do servidor."),
                                  QStringLiteral("N"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Arquivo de configuração (o do kzr-host)."),
                                      QStringLiteral("ARQUIVO"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Formato da saída: text, json ou csv."),
                                    QStringLiteral("FORMATO"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Grava a saída no arquivo em vez de exibi-la."),
                                    QStringLiteral("ARQUIVO"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("import, restore: só informa o que mudaria."));
    const QCommandLineOption at(QStringLiteral("at"),
                                QStringLiteral("restore: o momento (horário local) da versão a restaurar."),
                                QStringLiteral("MOMENTO"));
    const QCommandLineOption deleteMissing(
        QStringLiteral("delete-missing"),
        QStringLiteral("import: exclui as dimensões que o arquivo não traz."));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Usuário com que entrar no servidor."),
                                  QStringLiteral("NOME"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("Arquivo cuja primeira linha é a senha. Sem ele: a variável KZR_PASSWORD "
                       "(a escolha mais fraca), senão a entrada padrão, senão pergunta no "
                       "terminal."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption tls(QStringLiteral("tls"), QStringLiteral("O servidor usa TLS."));
    const QCommandLineOption caFile(
        QStringLiteral("ca-file"),
        QStringLiteral("Certificados (PEM) das autoridades em que confiar; implica --tls."),
        QStringLiteral("ARQUIVO"));
    parser.addOptions({server, port, settings, format, output, dryRun, deleteMissing, user,
                       passwordFile, tls, caFile, at});
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
        return refuse(QStringLiteral("Informe um comando: export, check, import, history, restore "
                                     "ou members.\n\n") +
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
    } else if (command == QLatin1String("history") || command == QLatin1String("restore")) {
        options.command = command == QLatin1String("history") ? Command::History : Command::Restore;
        if (positional.size() != 2)
            return refuse(QStringLiteral("Informe o código da dimensão: %1 CÓDIGO.").arg(command));
        options.code = positional.at(1);
        if (options.command == Command::Restore) {
            options.at = parser.value(at);
            if (!HistoryMoment::typed(options.at).isValid())
                return refuse(QStringLiteral("restore espera --at AAAA-MM-DDTHH:MM:SS[.zzz] (%1) "
                                             "ou DD/MM/AAAA HH:MM:SS, recebeu \"%2\".")
                                  .arg(HistoryMoment::zoneName(), options.at));
        }
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
    if (!options.code.isEmpty()) {
        // Codes are taken as the screen takes them: "3" is dimension 00003.
        const std::optional<QString> stored = DimensionCode::storedForm(options.code);
        if (!stored)
            return refuse(QStringLiteral("Código de dimensão inválido: \"%1\" (de 1 a 5 dígitos).")
                              .arg(options.code));
        options.code = *stored;
    }
    const bool takesArgument = options.command == Command::Import ||
                               options.command == Command::History ||
                               options.command == Command::Restore ||
                               options.command == Command::Members;
    if (!takesArgument && positional.size() != 1)
        return refuse(QStringLiteral("Argumento a mais: \"%1\".").arg(positional.at(1)));
    if (parser.isSet(format)) {
        const QString name = parser.value(format);
        const bool textOrJson =
            options.command == Command::Check || options.command == Command::History;
        const bool allowed = textOrJson
                                 ? (name == QLatin1String("json") || name == QLatin1String("text"))
                                 : (name == QLatin1String("json") || name == QLatin1String("csv"));
        if (!allowed)
            return refuse(QStringLiteral("Formato \"%1\" não disponível para o comando %2.")
                              .arg(name, command));
        options.format = name == QLatin1String("json")  ? Format::Json
                         : name == QLatin1String("csv") ? Format::Csv
                                                        : Format::Text;
    }
    if (options.command != Command::Import && parser.isSet(deleteMissing))
        return refuse(QStringLiteral("--delete-missing serve só ao comando import."));
    if (options.command != Command::Import && options.command != Command::Restore &&
        parser.isSet(dryRun))
        return refuse(QStringLiteral("--dry-run serve só aos comandos import e restore."));
    if (options.command != Command::Restore && parser.isSet(at))
        return refuse(QStringLiteral("--at serve só ao comando restore."));
    options.dryRun = parser.isSet(dryRun);
    options.deleteMissing = parser.isSet(deleteMissing);
    options.output = parser.value(output);

    // The host's own settings, so that both reach the same server without being told twice.
    const ServerSettings::Given given = ServerSettings::Given::from(parser);
    QString invalid;
    const ServerSettings read = ServerSettings::read(parser.value(settings), given, &invalid);
    if (!invalid.isEmpty()) return refuse(invalid);
    options.server.host = read.host;
    options.server.port = read.port;
    options.server.user = read.user;
    options.server.trust = read.access;
    options.server.passwordFile = parser.value(passwordFile);
    if (error) error->clear();
    return options;
}
