#pragma once

#include "Variant.h"

#include <QCborValue>

// How a variant travels on the wire, one to one: Empty <-> undefined, Null <-> null, byte
// array <-> byte string, variant array <-> array. Anything else in the CBOR (maps, tags)
// throws EVariantError.
namespace wire {

QCborValue toCbor(const Variant &value);
Variant fromCbor(const QCborValue &value);

} // namespace wire
