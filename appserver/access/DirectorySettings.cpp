#include "DirectorySettings.h"

#include "Exceptions.h"

namespace {

[[noreturn]] void refuse(const QString &text)
{
    throw Exception(text);
}

} // namespace

void DirectorySettings::check() const
{
    if (!enabled()) return;
    if (!url.startsWith(QLatin1String("ldaps://")) && !url.startsWith(QLatin1String("ldap://")))
        refuse(QStringLiteral("--ldap-url espera ldaps://MAQUINA[:PORTA] ou ldap://MAQUINA[:PORTA] "
                              "(com StartTLS), recebeu \"%1\".")
                   .arg(url));
    if (searches() == userFilter.isEmpty())
        refuse(QStringLiteral("Informe --ldap-user-filter (com --ldap-bind-dn e "
                              "--ldap-bind-password-file) ou --ldap-user-dn, um dos dois."));
    const QString &pattern = searches() ? userFilter : userDnTemplate;
    if (!pattern.contains(QLatin1String("%s")))
        refuse(QStringLiteral("%1 deve conter %s, onde entra o nome do usuário: \"%2\".")
                   .arg(searches() ? QStringLiteral("--ldap-user-filter")
                                   : QStringLiteral("--ldap-user-dn"),
                        pattern));
    if (searches() && (base.isEmpty() || bindDn.isEmpty() || bindPassword.isEmpty()))
        refuse(QStringLiteral("A busca do usuário (--ldap-user-filter) precisa de --ldap-base, "
                              "--ldap-bind-dn e --ldap-bind-password-file."));
    if (maintainGroup.isEmpty() && readOnlyGroup.isEmpty())
        refuse(QStringLiteral("Informe --ldap-maintain-group ou --ldap-read-only-group: sem grupo "
                              "ninguém do diretório entra."));
}
