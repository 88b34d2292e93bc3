#pragma once

#include <QString>
#include <optional>

// What a user may do. Read-only users may look (the lists, the checks, the field lookup);
// maintainers may also save. The one place where the rights of each role are written.
enum class Role { ReadOnly, Maintain };

namespace roles {

QString name(Role role);                            // "read-only", "maintain"
std::optional<Role> fromName(const QString &name); // nullopt for an unknown name
QString allNames();                                 // for messages: "read-only, maintain"

// Whether the role may call the method (a method of the remote data modules): a maintainer any,
// a read-only user those registered as only reading.
bool allows(Role role, const QString &method);
// Said of a method as it is registered (MethodRegistry::addReading), before the server serves
// anyone; only read afterwards, from every worker at once.
void allowReading(const QString &method);

} // namespace roles
