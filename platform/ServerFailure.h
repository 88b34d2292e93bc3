#pragma once

#include "Variant.h"

#include <QString>

// How a remote method reports its own failure (a refused save, a database error): a variant
// array of two elements, element 0 the integer marker, element 1 the message text. Element 0
// is never text, so the reply can never be taken for a structure-error text, and it is a
// variant array, so it can never be taken for a data packet.
namespace server_failure {

constexpr qint64 Marker = -32000;

Variant make(const QString &message);
bool is(const Variant &reply);
QString message(const Variant &reply); // "" when the reply is no failure

} // namespace server_failure
