#pragma once

#include "Exceptions.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <initializer_list>
#include <memory>
#include <variant>

// An automation-style variant: what remote calls take and give back.
// Empty and Null are distinct; a byte array (how a data packet travels) counts as an array
// whose elements are bytes; a variant array is indexed from 0.
class Variant
{
public:
    enum class Kind { Empty, Null, Text, Integer, Boolean, Double, Byte, Bytes, Array };

    // Automation type codes, as VarType reports them.
    static constexpr int varEmpty = 0;
    static constexpr int varNull = 1;
    static constexpr int varDouble = 5;
    static constexpr int varOleStr = 8;
    static constexpr int varBoolean = 11;
    static constexpr int varVariant = 12;
    static constexpr int varByte = 17;
    static constexpr int varInt64 = 20;
    static constexpr int varArray = 0x2000;

    Variant() = default; // Empty
    Variant(const QString &text) : m_value(text) {}
    Variant(const char *text) : m_value(QString::fromUtf8(text)) {}
    Variant(int number) : m_value(qint64(number)) {}
    Variant(qint64 number) : m_value(number) {}
    Variant(bool flag) : m_value(flag) {}
    Variant(double number) : m_value(number) {}

    static Variant Null();
    static Variant fromByte(quint8 byte);
    static Variant fromBytes(QByteArray bytes);     // VarIsArray true, elements are bytes
    static Variant fromArray(QList<Variant> items); // a variant array, indices from 0

    Kind kind() const;
    int varType() const; // varOleStr, varInt64, varArray | varByte, varArray | varVariant, ...

    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isArray() const { return kind() == Kind::Bytes || kind() == Kind::Array; }

    // Array access (byte arrays and variant arrays); out-of-range or non-array throws
    // EVariantError.
    int lowBound() const { return 0; }
    int highBound() const { return length() - 1; }
    int length() const;
    Variant element(int index) const;
    void setElement(int index, const Variant &value);

    QString toString() const; // VarToStr: Empty and Null give ""; arrays throw
    qint64 toInteger() const; // throws EVariantError when not convertible
    bool toBoolean() const;
    double toDouble() const;
    const QByteArray &bytes() const;     // only for Kind::Bytes
    const QList<Variant> &items() const; // only for Kind::Array

    friend bool operator==(const Variant &a, const Variant &b);

private:
    struct NullTag
    {
        bool operator==(const NullTag &) const { return true; }
    };
    struct ByteTag
    {
        quint8 value;
        bool operator==(const ByteTag &o) const { return value == o.value; }
    };
    std::variant<std::monostate, NullTag, QString, qint64, bool, double, ByteTag, QByteArray,
                 QList<Variant>>
        m_value;
};

Variant VarArrayOf(std::initializer_list<Variant> items);
Variant VarArrayOf(const QList<Variant> &items);
inline bool VarIsEmpty(const Variant &v)
{
    return v.isEmpty();
}
inline bool VarIsNull(const Variant &v)
{
    return v.isNull();
}
inline bool VarIsArray(const Variant &v)
{
    return v.isArray();
}
inline int VarType(const Variant &v)
{
    return v.varType();
}
inline QString VarToStr(const Variant &v)
{
    return v.toString();
}
