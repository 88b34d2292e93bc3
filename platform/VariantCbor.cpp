#include "VariantCbor.h"

#include "DecodeCharge.h"

#include <QCborArray>
#include <QCborStreamWriter>

namespace wire {

QCborValue toCbor(const Variant &value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        return QCborValue(QCborSimpleType::Undefined);
    case Variant::Kind::Null:
        return QCborValue(nullptr);
    case Variant::Kind::Text:
        return QCborValue(value.toString());
    case Variant::Kind::Integer:
        return QCborValue(value.toInteger());
    case Variant::Kind::Boolean:
        return QCborValue(value.toBoolean());
    case Variant::Kind::Double:
        return QCborValue(value.toDouble());
    // CBOR has no single-byte type; a lone byte travels as the integer it holds.
    case Variant::Kind::Byte:
        return QCborValue(value.toInteger());
    case Variant::Kind::Bytes:
        return QCborValue(value.bytes());
    case Variant::Kind::Array: {
        QCborArray array;
        for (const Variant &item : value.items())
            array.append(toCbor(item));
        return QCborValue(std::move(array));
    }
    }
    return QCborValue();
}

Variant fromCbor(const QCborValue &value)
{
    switch (value.type()) {
    case QCborValue::Undefined:
        return Variant();
    case QCborValue::Null:
        return Variant::Null();
    case QCborValue::String:
        return Variant(value.toString());
    case QCborValue::Integer:
        return Variant(value.toInteger());
    case QCborValue::False:
        return Variant(false);
    case QCborValue::True:
        return Variant(true);
    case QCborValue::Double:
        return Variant(value.toDouble());
    case QCborValue::ByteArray:
        return Variant::fromBytes(value.toByteArray());
    case QCborValue::Array: {
        const QCborArray array = value.toArray();
        QList<Variant> items;
        DecodeCharge::charge(quint64(array.size()), qint64(sizeof(Variant)));
        items.reserve(array.size());
        for (const auto &item : array)
            items.append(fromCbor(item));
        return Variant::fromArray(std::move(items));
    }
    default:
        break;
    }
    throw EVariantError(QStringLiteral("Valor CBOR de tipo %1 não corresponde a nenhuma variante")
                            .arg(int(value.type())));
}

void write(QCborStreamWriter &writer, const Variant &value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        writer.append(QCborSimpleType::Undefined);
        return;
    case Variant::Kind::Null:
        writer.append(nullptr);
        return;
    case Variant::Kind::Text:
        writer.append(value.toString());
        return;
    case Variant::Kind::Integer:
    case Variant::Kind::Byte:
        writer.append(value.toInteger());
        return;
    case Variant::Kind::Boolean:
        writer.append(value.toBoolean());
        return;
    case Variant::Kind::Double:
        writer.append(value.toDouble());
        return;
    case Variant::Kind::Bytes:
        writer.append(value.bytes());
        return;
    case Variant::Kind::Array:
        writer.startArray(quint64(value.items().size()));
        for (const Variant &item : value.items())
            write(writer, item);
        writer.endArray();
        return;
    }
}

} // namespace wire
