#pragma once

#include <QString>
#include <optional>
#include <ostream>

// Readable failure messages for Qt values in test expectations.
inline std::ostream &operator<<(std::ostream &os, const QString &text)
{
    return os << text.toStdString();
}

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
