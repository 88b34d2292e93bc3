#include "Role.h"

#include <QSet>

namespace roles {

QString name(Role role)
{
    return role == Role::Maintain ? QStringLiteral("maintain") : QStringLiteral("read-only");
}

std::optional<Role> fromName(const QString &text)
{
    if (text == QLatin1String("read-only")) return Role::ReadOnly;
    if (text == QLatin1String("maintain")) return Role::Maintain;
    return std::nullopt;
}

QString allNames()
{
    return QStringLiteral("read-only, maintain");
}

bool allows(Role role, const QString &method)
{
    // Listed rather than excluded: a method added later is refused to read-only users until
    // someone decides it only reads.
    static const QSet<QString> reading{
        QStringLiteral("getDimensao"),    QStringLiteral("GetExtras"), QStringLiteral("getFields"),
        QStringLiteral("vdDimensao"),     QStringLiteral("vdExtras"),  QStringLiteral("getPerfil"),
        QStringLiteral("getHistorico"),   QStringLiteral("getMembros"), QStringLiteral("procuraMembros"),
    };
    return role == Role::Maintain || reading.contains(method);
}

} // namespace roles
