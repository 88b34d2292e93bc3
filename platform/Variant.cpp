#include "Variant.h"

#include <cmath>
#include <limits>

namespace {

QString kindName(Variant::Kind kind)
{
    switch (kind) {
    case Variant::Kind::Empty:
        return QStringLiteral("Empty");
    case Variant::Kind::Null:
        return QStringLiteral("Null");
    case Variant::Kind::Text:
        return QStringLiteral("String");
    case Variant::Kind::Integer:
        return QStringLiteral("Int64");
    case Variant::Kind::Boolean:
        return QStringLiteral("Boolean");
    case Variant::Kind::Double:
        return QStringLiteral("Double");
    case Variant::Kind::Byte:
        return QStringLiteral("Byte");
    case Variant::Kind::Bytes:
        return QStringLiteral("Array Byte");
    case Variant::Kind::Array:
        return QStringLiteral("Array Variant");
    }
    return QString();
}

[[noreturn]] void cannotConvert(Variant::Kind from, const char *to)
{
    throw EVariantError(
        QStringLiteral("Não foi possível converter variante do tipo (%1) para o tipo (%2)")
            .arg(kindName(from), QLatin1String(to)));
}

} // namespace

Variant Variant::Null()
{
    Variant v;
    v.m_value = NullTag{};
    return v;
}

Variant Variant::fromByte(quint8 byte)
{
    Variant v;
    v.m_value = ByteTag{byte};
    return v;
}

Variant Variant::fromBytes(QByteArray bytes)
{
    Variant v;
    v.m_value = std::move(bytes);
    return v;
}

Variant Variant::fromArray(QList<Variant> items)
{
    Variant v;
    v.m_value = std::move(items);
    return v;
}

Variant::Kind Variant::kind() const
{
    // The alternatives of m_value are declared in the order of Kind.
    return static_cast<Kind>(m_value.index());
}

int Variant::varType() const
{
    switch (kind()) {
    case Kind::Empty:
        return varEmpty;
    case Kind::Null:
        return varNull;
    case Kind::Text:
        return varOleStr;
    case Kind::Integer:
        return varInt64;
    case Kind::Boolean:
        return varBoolean;
    case Kind::Double:
        return varDouble;
    case Kind::Byte:
        return varByte;
    case Kind::Bytes:
        return varArray | varByte;
    case Kind::Array:
        return varArray | varVariant;
    }
    return varEmpty;
}

int Variant::length() const
{
    if (const auto *b = std::get_if<QByteArray>(&m_value)) return int(b->size());
    if (const auto *a = std::get_if<QList<Variant>>(&m_value)) return int(a->size());
    throw EVariantError(
        QStringLiteral("Variante do tipo (%1) não é um array").arg(kindName(kind())));
}

Variant Variant::element(int index) const
{
    const int n = length();
    if (index < 0 || index >= n)
        throw EVariantError(
            QStringLiteral("Índice %1 fora dos limites do array (0..%2)").arg(index).arg(n - 1));
    if (const auto *b = std::get_if<QByteArray>(&m_value)) return fromByte(quint8(b->at(index)));
    return std::get<QList<Variant>>(m_value).at(index);
}

void Variant::setElement(int index, const Variant &value)
{
    const int n = length();
    if (index < 0 || index >= n)
        throw EVariantError(
            QStringLiteral("Índice %1 fora dos limites do array (0..%2)").arg(index).arg(n - 1));
    if (auto *b = std::get_if<QByteArray>(&m_value)) {
        // A byte array only holds bytes: a wider number would be cut, so it is refused.
        const qint64 byte =
            value.kind() == Kind::Byte ? std::get<ByteTag>(value.m_value).value : value.toInteger();
        if (byte < 0 || byte > 255)
            throw EVariantError(
                QStringLiteral("Valor %1 não cabe num elemento de array de bytes").arg(byte));
        (*b)[index] = char(quint8(byte));
        return;
    }
    std::get<QList<Variant>>(m_value)[index] = value;
}

QString Variant::toString() const
{
    switch (kind()) {
    case Kind::Empty:
    case Kind::Null:
        return QString();
    case Kind::Text:
        return std::get<QString>(m_value);
    case Kind::Integer:
        return QString::number(std::get<qint64>(m_value));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Double:
        return QString::number(std::get<double>(m_value), 'g', 15);
    case Kind::Byte:
        return QString::number(std::get<ByteTag>(m_value).value);
    case Kind::Bytes:
    case Kind::Array:
        break;
    }
    cannotConvert(kind(), "String");
}

qint64 Variant::toInteger() const
{
    switch (kind()) {
    case Kind::Empty:
        return 0;
    case Kind::Integer:
        return std::get<qint64>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case Kind::Byte:
        return std::get<ByteTag>(m_value).value;
    case Kind::Double: {
        const double d = std::round(std::get<double>(m_value));
        // 2^63 is exactly representable; anything at or past it does not fit.
        if (std::isfinite(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return qint64(d);
        break;
    }
    case Kind::Text: {
        bool ok = false;
        const qint64 n = std::get<QString>(m_value).trimmed().toLongLong(&ok);
        if (ok) return n;
        break;
    }
    case Kind::Null:
    case Kind::Bytes:
    case Kind::Array:
        break;
    }
    cannotConvert(kind(), "Int64");
}

bool Variant::toBoolean() const
{
    switch (kind()) {
    case Kind::Empty:
        return false;
    case Kind::Boolean:
        return std::get<bool>(m_value);
    case Kind::Integer:
        return std::get<qint64>(m_value) != 0;
    case Kind::Byte:
        return std::get<ByteTag>(m_value).value != 0;
    case Kind::Double:
        return std::get<double>(m_value) != 0.0;
    case Kind::Text: {
        const QString t = std::get<QString>(m_value).trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (ok) return d != 0.0;
        break;
    }
    case Kind::Null:
    case Kind::Bytes:
    case Kind::Array:
        break;
    }
    cannotConvert(kind(), "Boolean");
}

double Variant::toDouble() const
{
    switch (kind()) {
    case Kind::Empty:
        return 0.0;
    case Kind::Double:
        return std::get<double>(m_value);
    case Kind::Integer:
        return double(std::get<qint64>(m_value));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1.0 : 0.0;
    case Kind::Byte:
        return std::get<ByteTag>(m_value).value;
    case Kind::Text: {
        bool ok = false;
        const double d = std::get<QString>(m_value).trimmed().toDouble(&ok);
        if (ok) return d;
        break;
    }
    case Kind::Null:
    case Kind::Bytes:
    case Kind::Array:
        break;
    }
    cannotConvert(kind(), "Double");
}

const QByteArray &Variant::bytes() const
{
    if (const auto *b = std::get_if<QByteArray>(&m_value)) return *b;
    throw EVariantError(
        QStringLiteral("Variante do tipo (%1) não é um array de bytes").arg(kindName(kind())));
}

const QList<Variant> &Variant::items() const
{
    if (const auto *a = std::get_if<QList<Variant>>(&m_value)) return *a;
    throw EVariantError(
        QStringLiteral("Variante do tipo (%1) não é um array de variantes").arg(kindName(kind())));
}

bool operator==(const Variant &a, const Variant &b)
{
    return a.m_value == b.m_value;
}

Variant VarArrayOf(std::initializer_list<Variant> items)
{
    return Variant::fromArray(QList<Variant>(items));
}

Variant VarArrayOf(const QList<Variant> &items)
{
    return Variant::fromArray(items);
}
