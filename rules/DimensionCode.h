#pragma once

#include <QString>
#include <optional>

// The stored form of a dimension code: exactly five digits, a shorter code left-padded with
// zeros ("12" -> "00012"). The screen's Ajusta to Width produces the same form before it
// queries, so codes compare as plain text on the server, the screen and the command line.
class DimensionCode
{
public:
    static constexpr int Width = 5;

    // The stored form of one to five digits; nullopt for anything else (blank, letters, six
    // digits...).
    static std::optional<QString> storedForm(const QString &code);

    // What a query compares stored codes with: the stored form when there is one, else the
    // text as given (which then matches nothing, as no stored code has another form).
    static QString queryForm(const QString &code);

    // The number a code in stored form stands for; -1 for any other text.
    static int numberOf(const QString &stored);
};
