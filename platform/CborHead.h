#pragma once

#include <QtGlobal>

namespace cbor {

// The head of the CBOR item at pos, read straight off the bytes: its major type and argument
// (an open-ended container or text says unsized), pos moved past it. False on a reserved
// head, or past the end. For walks over bytes that take only the shapes they know and leave
// everything else to a stream reader.
inline bool readHead(const quint8 *data, qsizetype size, qsizetype &pos, quint8 &major,
                     quint64 &argument, bool &unsized)
{
    if (pos >= size) return false;
    const quint8 initial = data[pos++];
    major = initial >> 5;
    const quint8 info = initial & 0x1f;
    unsized = info == 31;
    if (info < 24 || unsized) {
        argument = info;
        return true;
    }
    if (info > 27) return false;
    const int width = 1 << (info - 24);
    if (size - pos < width) return false;
    argument = 0;
    for (int i = 0; i < width; ++i)
        argument = (argument << 8) | data[pos++];
    return true;
}

} // namespace cbor
