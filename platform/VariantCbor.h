#pragma once

#include "Variant.h"

#include <QCborValue>

class QCborStreamWriter;

// How a variant travels on the wire, one to one: Empty <-> undefined, Null <-> null, byte
// array <-> byte string, variant array <-> array. Anything else in the CBOR (maps, tags)
// throws EVariantError.
namespace wire {

QCborValue toCbor(const Variant &value);
Variant fromCbor(const QCborValue &value);
// The same mapping written straight to a stream, without a tree of the value.
void write(QCborStreamWriter &writer, const Variant &value);

} // namespace wire
