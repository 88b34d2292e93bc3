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

namespace {
// Listed rather than excluded: a method is refused to read-only users unless it was registered
// as only reading.
QSet<QString> &reading()
{
    static QSet<QString> methods;
    return methods;
}
} // namespace

bool allows(Role role, const QString &method)
{
    return role == Role::Maintain || reading().contains(method);
}

void allowReading(const QString &method)
{
    reading().insert(method);
}

} // namespace roles
