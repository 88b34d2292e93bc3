#include "DirectoryOptions.h"

#include "Exceptions.h"

#include <QCommandLineParser>
#include <QFile>
#include <cmath>

namespace {

enum Option {
    Url,
    Base,
    BindDn,
    BindPasswordFile,
    UserFilter,
    UserDn,
    CaFile,
    MaintainGroup,
    ReadOnlyGroup,
    MemberAttribute,
    Timeout,
};

QString firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("--ldap-bind-password-file: não foi possível ler %1: %2")
                            .arg(path, file.errorString()));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        throw Exception(
            QStringLiteral("--ldap-bind-password-file: %1 não tem senha na primeira linha.").arg(path));
    return QString::fromUtf8(line);
}

} // namespace

DirectoryOptions::DirectoryOptions()
{
    const auto option = [](const char *name, const QString &text, const char *value) {
        return QCommandLineOption(QLatin1String(name), text, QLatin1String(value));
    };
    m_options = {
        option("ldap-url",
               QStringLiteral("Diretório de usuários (LDAP): ldaps://MAQUINA[:PORTA], ou "
                              "ldap://MAQUINA[:PORTA] sempre com StartTLS. Quem não é usuário "
                              "local entra com a conta do diretório."),
               "URL"),
        option("ldap-base", QStringLiteral("Onde procurar os usuários no diretório."), "DN"),
        option("ldap-bind-dn", QStringLiteral("Conta de serviço que procura os usuários."), "DN"),
        option("ldap-bind-password-file",
               QStringLiteral("Arquivo com a senha da conta de serviço (primeira linha)."),
               "ARQUIVO"),
        option("ldap-user-filter",
               QStringLiteral("Filtro que acha o usuário; %s é o nome dado, por exemplo (uid=%s) "
                              "ou (sAMAccountName=%s)."),
               "FILTRO"),
        option("ldap-user-dn",
               QStringLiteral("Em vez da busca, o DN do usuário; %s é o nome dado, por exemplo "
                              "uid=%s,ou=people,dc=empresa,dc=com."),
               "MODELO"),
        option("ldap-ca-file",
               QStringLiteral("Autoridade (PEM) que assina o certificado do diretório (padrão: "
                              "as do sistema)."),
               "ARQUIVO"),
        option("ldap-maintain-group",
               QStringLiteral("Grupo cujos membros entram com o papel maintain."), "DN"),
        option("ldap-read-only-group",
               QStringLiteral("Grupo cujos membros entram com o papel read-only."), "DN"),
        option("ldap-member-attribute",
               QStringLiteral("Como ler os membros: member ou uniqueMember no grupo, memberOf no "
                              "usuário (Active Directory) (padrão member)."),
               "ATRIBUTO"),
        option("ldap-timeout",
               QStringLiteral("Segundos que o diretório tem para responder a um login (padrão 5)."),
               "S"),
    };
}

void DirectoryOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions(m_options);
}

DirectorySettings DirectoryOptions::read(const QCommandLineParser &parser) const
{
    const auto value = [&](Option o) { return parser.value(m_options.at(o)); };
    DirectorySettings s;
    s.url = value(Url);
    if (s.url.isEmpty()) {
        for (const QCommandLineOption &o : m_options)
            if (parser.isSet(o))
                throw Exception(QStringLiteral("--%1 precisa de --ldap-url.").arg(o.names().first()));
        return s;
    }
    s.base = value(Base);
    s.bindDn = value(BindDn);
    if (parser.isSet(m_options.at(BindPasswordFile))) s.bindPassword = firstLine(value(BindPasswordFile));
    s.userFilter = value(UserFilter);
    s.userDnTemplate = value(UserDn);
    s.caFile = value(CaFile);
    if (!s.caFile.isEmpty() && !QFile::exists(s.caFile))
        throw Exception(QStringLiteral("--ldap-ca-file: %1 não existe.").arg(s.caFile));
    s.maintainGroup = value(MaintainGroup);
    s.readOnlyGroup = value(ReadOnlyGroup);
    if (parser.isSet(m_options.at(MemberAttribute))) s.memberAttribute = value(MemberAttribute);
    if (parser.isSet(m_options.at(Timeout))) {
        bool ok = false;
        const double seconds = value(Timeout).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds < 0.1 || seconds > 300)
            throw Exception(QStringLiteral("--ldap-timeout espera segundos, de 0.1 a 300, recebeu "
                                           "\"%1\".")
                                .arg(value(Timeout)));
        s.timeoutMs = int(std::lround(seconds * 1000));
    }
    s.check();
    return s;
}
