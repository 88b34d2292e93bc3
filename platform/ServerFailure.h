#pragma once

#include "Variant.h"

#include <QString>

// How a remote method reports its own failure (a refused save, a database error): a variant
// array of two elements, element 0 the integer marker, element 1 the message text. Element 0
// is never text, so the reply can never be taken for a structure-error text, and it is a
// variant array, so it can never be taken for a data packet.
namespace server_failure {

constexpr qint64 Marker = -32000;
// The same form with this marker: the caller has no valid session (never logged in, or the
// session expired). It is a failure like any other, and also tells the client to log in again.
constexpr qint64 SessionMarker = -32001;

Variant make(const QString &message);
Variant sessionEnded(const QString &message);
bool is(const Variant &reply); // either marker
bool isSessionEnded(const Variant &reply);
QString message(const Variant &reply); // "" when the reply is no failure

} // namespace server_failure
