#include "AdminCommand.h"

#include "AuditTrail.h"
#include "BackupCommand.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "DatabaseLock.h"
#include "DatabaseSetup.h"
#include "Exceptions.h"
#include "LoginRecord.h"
#include "PasswordHash.h"
#include "PasswordInput.h"
#include "ServerLog.h"
#include "ServerOptions.h"
#include "SessionEnds.h"
#include "UserStore.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
}

QString usage()
{
    return QStringLiteral(
               "uso: kzr-appserver user add NOME --role PAPEL | user passwd NOME | "
               "user remove NOME | user list | sessions end NOME | "
               "audit [--logins] [--since DATA] [--user NOME] | "
               "backup ARQUIVO [--overwrite] | restore ARQUIVO; todos aceitam --database URL. Papéis: %1.")
        .arg(roles::allNames());
}

QString newPassword(const QString &user)
{
    return PasswordInput::fromStandardInput(QStringLiteral("Senha de %1: ").arg(user), true);
}

QString requireName(const QStringList &positional)
{
    if (positional.size() != 3) throw Exception(usage());
    return positional[2];
}

// A name as a client gave it, on one line of its own: no control character breaks the line.
QString printable(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control) c = QChar::ReplacementCharacter;
    return text;
}

void userCommand(Database &db, const QStringList &positional, const QString &roleName)
{
    UserStore users(db);
    const QString action = positional.value(1);
    if (action == QLatin1String("add")) {
        const QString name = requireName(positional);
        const std::optional<Role> role = roles::fromName(roleName);
        if (!role)
            throw Exception(QStringLiteral("Papel desconhecido \"%1\"; use --role com um destes: %2.")
                                .arg(roleName, roles::allNames()));
        users.add(name, *role, newPassword(name));
        out(QStringLiteral("usuário %1 criado (%2)").arg(name, roles::name(*role)));
    } else if (action == QLatin1String("passwd")) {
        const QString name = requireName(positional);
        if (!users.find(name))
            throw Exception(QStringLiteral("O usuário \"%1\" não existe.").arg(name));
        users.setPassword(name, newPassword(name));
        out(QStringLiteral("senha de %1 alterada").arg(name));
    } else if (action == QLatin1String("remove")) {
        const QString name = requireName(positional);
        users.remove(name);
        out(QStringLiteral("usuário %1 removido").arg(name));
    } else if (action == QLatin1String("list") && positional.size() == 2) {
        QMap<QString, QString> fromDirectory = LoginRecord::directoryUsers(db);
        for (const UserStore::User &user : users.all()) {
            out(QStringList{user.name, roles::name(user.role), user_origin::name(UserOrigin::Local)}
                    .join(QLatin1Char('\t')));
            fromDirectory.remove(user.name); // a local user is never looked up in the directory
        }
        for (auto it = fromDirectory.cbegin(); it != fromDirectory.cend(); ++it)
            out(QStringList{printable(it.key()), it.value(),
                            user_origin::name(UserOrigin::Directory)}
                    .join(QLatin1Char('\t')));
    } else {
        throw Exception(usage());
    }
}

void auditCommand(Database &db, const QStringList &positional, const QString &since,
                  const QString &user, bool logins)
{
    if (positional.size() != 1) throw Exception(usage());
    if (logins) {
        for (const LoginRecord::Entry &e : LoginRecord::read(db, since, user))
            out(QStringList{e.when, printable(e.user), e.address,
                            e.accepted ? QStringLiteral("accepted") : QStringLiteral("refused"),
                            e.origin, e.role.isEmpty() ? QStringLiteral("-") : e.role}
                    .join(QLatin1Char('\t')));
        return;
    }
    for (const AuditTrail::Entry &e : AuditTrail::read(db, since, user)) {
        out(QStringList{e.when, e.user, e.table, e.operation, e.record,
                        e.before.isEmpty() ? QStringLiteral("-") : e.before,
                        e.after.isEmpty() ? QStringLiteral("-") : e.after}
                .join(QLatin1Char('\t')));
    }
}

// Ends the user's sessions on every server of the database, within a second.
void sessionsCommand(Database &db, const QStringList &positional)
{
    if (positional.value(1) != QLatin1String("end")) throw Exception(usage());
    const QString name = requireName(positional);
    SessionEnds::request(db, name);
    out(QStringLiteral("sessões de %1 encerradas").arg(name));
}

} // namespace

bool AdminCommand::isAdminCommand(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    return first == QLatin1String("user") || first == QLatin1String("audit") ||
           first == QLatin1String("sessions") ||
           BackupCommand::handles(first);
}

int AdminCommand::run(const QStringList &arguments)
{
    try {
        QCommandLineParser parser;
        const QCommandLineOption database(QStringLiteral("database"), QString(),
                                          QStringLiteral("URL"));
        const QCommandLineOption role(QStringLiteral("role"), QString(), QStringLiteral("PAPEL"));
        const QCommandLineOption since(QStringLiteral("since"), QString(), QStringLiteral("DATA"));
        const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NOME"));
        const QCommandLineOption logins(QStringLiteral("logins"));
        const QCommandLineOption overwrite(QStringLiteral("overwrite"));
        const QCommandLineOption testCost(QString::fromLatin1(PasswordHash::TestCostFlag));
        parser.addOptions({database, role, since, user, logins, overwrite, testCost});
        if (!parser.parse(arguments)) throw Exception(parser.errorText() + QLatin1Char('\n') + usage());
        const QStringList positional = parser.positionalArguments();
        if (parser.isSet(testCost)) {
            PasswordHash::lowerCostForTests();
            std::fprintf(stderr,
                         "kzr-appserver: aviso: --%s: senhas com o menor custo, fáceis "
                         "de quebrar. Somente para testes.\n",
                         PasswordHash::TestCostFlag);
        }
        QString url = parser.value(database);
        if (url.isEmpty()) url = qEnvironmentVariable("KZR_DATABASE");
        if (url.isEmpty()) url = ServerOptions::defaultDatabaseUrl();
        const DatabaseConfig config = DatabaseConfig::parse(url);
        // A copy is taken of the database as it is, and a restore replaces it whatever it was.
        if (BackupCommand::handles(positional.first())) {
            BackupCommand::run(positional, config, parser.isSet(overwrite));
            return 0;
        }
        const DatabaseLock inUse(config, DatabaseLock::Use::Shared);
        for (const QString &warning : DatabaseSetup::prepare(config, inUse.madeTheFile()))
            ServerLog::warning(warning);
        Database db(config, QStringLiteral("kzr-admin"));
        if (positional.first() == QLatin1String("user"))
            userCommand(db, positional, parser.value(role));
        else if (positional.first() == QLatin1String("sessions"))
            sessionsCommand(db, positional);
        else
            auditCommand(db, positional, parser.value(since), parser.value(user),
                         parser.isSet(logins));
        return 0;
    } catch (const Exception &e) {
        ServerLog::error(e.Message());
        return 1;
    }
}
