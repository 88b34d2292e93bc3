#pragma once

#include <QString>
#include <optional>

// The edit masks the record sets use, in the platform's notation "mask;save-literals;blank".
// Supported: '!' (leading blanks dropped), '9' (optional digit), '0' (required digit),
// literal characters; save-literals 0 means literals are not stored.
// "!99999;0; " admits at most five positions, each a digit or a blank; the stored text has
// its leading and trailing blanks dropped and no literals.
class EditMask
{
public:
    EditMask() = default;                   // no mask: everything passes unchanged
    explicit EditMask(const QString &mask); // throws EDatabaseError on a mask it cannot read

    bool isEmpty() const;
    const QString &text() const;
    int positions() const; // how many characters can be typed

    // The stored form of typed text, or nothing when the text cannot be typed under the mask.
    std::optional<QString> toStored(const QString &typed) const;
    // Whether a partially typed text can still become valid (for the cell editor).
    bool acceptsPrefix(const QString &typed) const;
    // The stored text as the mask shows it: typed characters in their positions (right-aligned
    // under '!'), literals in place, the blank character in empty positions.
    QString toDisplay(const QString &stored) const;

private:
    QString m_text;
    std::optional<QString> positionChars(const QString &typed) const;

    QString m_positions;  // one character class per typable position, literals marked
    QChar m_blank = u'_'; // shown in an empty position
    bool m_dropLeadingBlanks = false;
    bool m_saveLiterals = true;
};
