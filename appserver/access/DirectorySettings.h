#pragma once

#include <QString>

// How the server reaches the company's directory (LDAP) to check logins; empty url: no directory.
// A user's entry is found either by a search under base with userFilter, bound as the service
// account bindDn, or directly by the userDnTemplate; "%s" in either stands for the name given,
// escaped for where it goes.
struct DirectorySettings
{
    QString url;          // ldaps://host[:port], or ldap://host[:port] (then always StartTLS)
    QString base;         // where users are searched
    QString bindDn;       // the service account that searches
    QString bindPassword; // read from a file, never from the command line
    QString userFilter;   // e.g. (uid=%s), (sAMAccountName=%s)
    QString userDnTemplate; // e.g. uid=%s,ou=people,dc=example,dc=com
    QString caFile;         // the authority the directory's certificate must chain to
    QString maintainGroup;  // group DNs: their members get the role
    QString readOnlyGroup;
    // "member" (or "uniqueMember"): compared on each group's entry; "memberOf": read from the
    // user's own entry, as Active Directory keeps it.
    QString memberAttribute = QStringLiteral("member");
    int timeoutMs = 5000; // the whole of one login's exchange with the directory

    bool enabled() const { return !url.isEmpty(); }
    bool searches() const { return userDnTemplate.isEmpty(); }
    bool membershipOnUser() const
    {
        return memberAttribute.compare(QLatin1String("memberOf"), Qt::CaseInsensitive) == 0;
    }
    // Throws Exception (Portuguese, naming the option) when the settings cannot work.
    void check() const;
};
