#pragma once

#include <QString>

// What a remote method declares about one argument; the call is refused with a fault before
// the method runs when an argument does not fit.
struct Parameter
{
    enum class Kind {
        Text,         // a text of at most `width` characters
        ChangePacket, // a data packet holding a delta (by value)
        NameList,     // a variant array of texts, each of at most `width` characters (by reference)
        TextOrNull,   // Null, or a text of at most `width` characters
        Integer,      // an integer from `lowest` to `highest`
    };
    QString label; // how the fault text names it ("código", "nome"...)
    Kind kind = Kind::Text;
    int width = 0;
    qint64 lowest = 0;
    qint64 highest = 0;
};
