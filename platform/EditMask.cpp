#include "EditMask.h"

#include "Exceptions.h"

#include <QList>

// m_positions holds one entry per mask element: a class letter for a typable position, or a
// literal. Literals are stored with a leading marker so the two can be told apart without a
// second list: '\x01' followed by the literal character takes two QChars.
namespace {

constexpr QChar LiteralMarker = QChar(0x01);

bool isPositionClass(QChar c)
{
    switch (c.unicode()) {
    case '0':
    case '9':
    case '#':
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
        return true;
    default:
        return false;
    }
}

bool isRequired(QChar cls)
{
    return cls == u'0' || cls == u'L' || cls == u'A' || cls == u'C';
}

bool fitsClass(QChar cls, QChar c)
{
    switch (cls.unicode()) {
    case '0':
    case '9':
        return c.isDigit() && c.unicode() < 128;
    case '#':
        return (c.isDigit() && c.unicode() < 128) || c == u'+' || c == u'-';
    case 'L':
    case 'l':
        return c.isLetter();
    case 'A':
    case 'a':
        return c.isLetterOrNumber();
    case 'C':
    case 'c':
        return true;
    }
    return false;
}

struct Element
{
    bool literal;
    QChar ch; // class or literal character
};

QList<Element> elementsOf(const QString &positions)
{
    QList<Element> out;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        if (positions[i] == LiteralMarker)
            out.append({true, positions[++i]});
        else
            out.append({false, positions[i]});
    }
    return out;
}

} // namespace

EditMask::EditMask(const QString &mask) : m_text(mask)
{
    // The mask part runs up to the second-to-last ';' when the text has the usual two fields.
    QString pattern = mask;
    QChar blank = u'_';
    const qsizetype last = mask.lastIndexOf(u';');
    if (last >= 0) {
        const qsizetype previous = last > 0 ? mask.lastIndexOf(u';', last - 1) : -1;
        if (previous < 0)
            throw EDatabaseError(
                QStringLiteral(
                    "Máscara de edição \"%1\" ilegível: esperava \"máscara;0 ou 1;caractere\".")
                    .arg(mask));
        const QString save = mask.mid(previous + 1, last - previous - 1);
        const QString blankPart = mask.mid(last + 1);
        if (save != QLatin1String("0") && save != QLatin1String("1"))
            throw EDatabaseError(
                QStringLiteral(
                    "Máscara de edição \"%1\" ilegível: o segundo campo deve ser 0 ou 1.")
                    .arg(mask));
        if (blankPart.size() != 1)
            throw EDatabaseError(
                QStringLiteral(
                    "Máscara de edição \"%1\" ilegível: o terceiro campo deve ser um caractere.")
                    .arg(mask));
        m_saveLiterals = save == QLatin1String("1");
        blank = blankPart[0];
        pattern = mask.left(previous);
    }
    m_blank = blank;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'!') {
            m_dropLeadingBlanks = true;
        } else if (c == u'\\') {
            if (++i >= pattern.size())
                throw EDatabaseError(
                    QStringLiteral("Máscara de edição \"%1\" termina numa barra invertida.")
                        .arg(mask));
            m_positions += LiteralMarker;
            m_positions += pattern[i];
        } else if (isPositionClass(c)) {
            m_positions += c;
        } else if (c == u'<' || c == u'>' || c == u';') {
            throw EDatabaseError(
                QStringLiteral("Máscara de edição \"%1\": o caractere '%2' não é suportado.")
                    .arg(mask, c));
        } else {
            m_positions += LiteralMarker;
            m_positions += c;
        }
    }
    if (!mask.isEmpty() && positions() == 0)
        throw EDatabaseError(
            QStringLiteral("Máscara de edição \"%1\" não tem posições para digitar.").arg(mask));
}

bool EditMask::isEmpty() const
{
    return m_text.isEmpty();
}

const QString &EditMask::text() const
{
    return m_text;
}

int EditMask::positions() const
{
    return int(m_positions.size() - 2 * m_positions.count(LiteralMarker));
}

// Reads typed text into one character per typable position (blank where nothing was typed).
// Typed text may be the whole edit text with the literals in place, or just the typed
// characters; the latter are aligned right under '!' (leading blanks) and left otherwise.
std::optional<QString> EditMask::positionChars(const QString &typed) const
{
    const QList<Element> elements = elementsOf(m_positions);
    const int n = positions();
    QString out;
    bool hasLiterals = elements.size() != n;
    if (hasLiterals && typed.size() == elements.size()) {
        bool literalsMatch = true;
        for (qsizetype i = 0; i < elements.size() && literalsMatch; ++i)
            if (elements[i].literal && typed[i] != elements[i].ch) literalsMatch = false;
        if (literalsMatch) {
            for (qsizetype i = 0; i < elements.size(); ++i)
                if (!elements[i].literal) out += typed[i];
            return out;
        }
    }
    if (typed.size() > n) return std::nullopt;
    const QString pad(n - typed.size(), QLatin1Char(' '));
    return m_dropLeadingBlanks ? pad + typed : typed + pad;
}

std::optional<QString> EditMask::toStored(const QString &typed) const
{
    if (isEmpty()) return typed;
    const std::optional<QString> typedSlots = positionChars(typed);
    if (!typedSlots) return std::nullopt;
    const QList<Element> elements = elementsOf(m_positions);
    QString stored;
    qsizetype slot = 0;
    for (const Element &e : elements) {
        if (e.literal) {
            if (m_saveLiterals) stored += e.ch;
            continue;
        }
        QChar c = (*typedSlots)[slot++];
        if (c == m_blank) c = u' ';
        if (c == u' ') {
            if (isRequired(e.ch)) return std::nullopt;
        } else if (!fitsClass(e.ch, c)) {
            return std::nullopt;
        }
        stored += c;
    }
    // Blank positions are not data: what is stored starts and ends with a typed character.
    qsizetype begin = 0, end = stored.size();
    while (begin < end && stored[begin] == u' ')
        ++begin;
    while (end > begin && stored[end - 1] == u' ')
        --end;
    return stored.mid(begin, end - begin);
}

bool EditMask::acceptsPrefix(const QString &typed) const
{
    if (isEmpty()) return true;
    const QList<Element> elements = elementsOf(m_positions);
    // As typed characters only: each must suit its position, left to right.
    bool plain = typed.size() <= positions();
    qsizetype slot = 0;
    for (qsizetype i = 0; plain && i < typed.size(); ++i) {
        while (elements[slot].literal)
            ++slot;
        const QChar c = typed[i] == m_blank ? QChar(u' ') : typed[i];
        plain = c == u' ' || fitsClass(elements[slot].ch, c);
        ++slot;
    }
    if (plain) return true;
    // As edit text with the literals in place.
    if (typed.size() > elements.size()) return false;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const Element &e = elements[i];
        const QChar c = typed[i] == m_blank ? QChar(u' ') : typed[i];
        if (e.literal ? c != e.ch : !(c == u' ' || fitsClass(e.ch, c))) return false;
    }
    return true;
}

QString EditMask::toDisplay(const QString &stored) const
{
    if (isEmpty()) return stored;
    const QList<Element> elements = elementsOf(m_positions);
    const int n = positions();
    QString chars = stored;
    if (m_saveLiterals) {
        // Stored with literals: take the typed characters back out where the literals match.
        if (stored.size() == elements.size()) {
            chars.clear();
            for (qsizetype i = 0; i < elements.size(); ++i)
                if (!elements[i].literal) chars += stored[i];
        }
    }
    if (chars.size() > n)
        return stored; // not made under this mask: show it as it is rather than cut it
    const QString pad(n - chars.size(), m_blank);
    chars = m_dropLeadingBlanks ? pad + chars : chars + pad;
    QString shown;
    qsizetype slot = 0;
    for (const Element &e : elements) {
        if (e.literal) {
            shown += e.ch;
        } else {
            const QChar c = chars[slot++];
            shown += c == u' ' ? m_blank : c;
        }
    }
    return shown;
}
