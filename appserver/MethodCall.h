#pragma once

#include "DataPacket.h"
#include "Variant.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

// What a remote method declares about one argument; the call is refused with a fault before
// the method runs when an argument does not fit.
struct ArgSpec
{
    enum class Kind {
        Text,         // a text of at most `width` characters
        ChangePacket, // a data packet holding a delta (by value)
        NameList,     // a variant array of texts, each of at most `width` characters (by reference)
    };
    QString label; // how the fault text names it ("código", "nome"...)
    Kind kind = Kind::Text;
    int width = 0;
};

// The arguments of one call, checked against the method's declaration, and what the method
// writes back into its by-reference arguments.
class MethodCall
{
public:
    // Throws CallFault naming the method and the argument that does not fit.
    MethodCall(const QString &method, const QVector<ArgSpec> &specs, const QList<Variant> &args);

    QString text(int index) const;
    const packet::Packet &changes(int index) const;
    QStringList names(int index) const;

    void writeBack(int index, const Variant &value);
    const QList<std::pair<int, Variant>> &byRef() const { return m_byRef; }

private:
    QList<Variant> m_args;
    QVector<packet::Packet> m_packets; // decoded change packets, by argument index
    QList<std::pair<int, Variant>> m_byRef;
};
