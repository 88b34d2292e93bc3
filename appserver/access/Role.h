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

// Whether the role may call the method (a method of the two remote data modules).
bool allows(Role role, const QString &method);

} // namespace roles
