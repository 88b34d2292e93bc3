#include "SaveRecheck.h"

#include "DataPacket.h"
#include "ServerFailure.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

const QString CodeField = QStringLiteral("NRSEQUEDIME");
const QString ExtraField = QStringLiteral("CDATRIBEXTRDIME");

// A code as the server stores it: one to five digits, left-padded with zeros; anything else as
// given. (The rules library's DimensionCode, which sits above this library, does the same.)
QString storedCode(const QString &code)
{
    const bool digits =
        !code.isEmpty() && code.size() <= 5 && std::all_of(code.cbegin(), code.cend(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    return digits ? code.rightJustified(5, QLatin1Char('0')) : code;
}

// The rows of a packet by name of field, codes in their stored form.
using Named = QHash<QString, std::optional<QString>>;

Named named(const QVector<packet::FieldDef> &fields, const packet::Row &row)
{
    Named values;
    for (int i = 0; i < fields.size() && i < row.size(); ++i) {
        std::optional<QString> value = row[i];
        if (fields[i].name == CodeField && value) value = storedCode(*value);
        values.insert(fields[i].name, value);
    }
    return values;
}

QString keyOf(const Named &row, bool extras)
{
    const QString code = row.value(CodeField).value_or(QString());
    return extras ? code + QLatin1Char('/') + row.value(ExtraField).value_or(QString()) : code;
}

// Whether the stored record under the row's key holds every value of the row.
bool holds(const QHash<QString, Named> &stored, const Named &row, bool extras)
{
    const auto found = stored.constFind(keyOf(row, extras));
    if (found == stored.cend()) return false;
    return std::all_of(row.keyBegin(), row.keyEnd(),
                       [&](const QString &field) { return found->value(field) == row.value(field); });
}

} // namespace

bool SaveRecheck::checks(const QString &module, const QString &method)
{
    return module == QLatin1String("KZR01200.rdmDimensao") &&
           (method == QLatin1String("SetDimensao") || method == QLatin1String("setExtras"));
}

SaveRecheck::Found SaveRecheck::check(const QString &method, const QList<RemoteArg> &args,
                                      const Read &read, Variant *answer)
{
    const bool extras = method == QLatin1String("setExtras");
    const packet::Packet delta =
        packet::fromVariant(args.isEmpty() ? Variant() : args.front().value());
    // What is stored now: the whole list, or the extras of every dimension the save touches.
    packet::Packet now;
    if (!extras) {
        const Variant list = read(QStringLiteral("getDimensao"), {RemoteArg(QString()), RemoteArg(QString())});
        if (server_failure::is(list)) return Found::Unclear;
        now = packet::fromVariant(list);
    } else {
        QStringList codes;
        for (const packet::Change &change : delta.changes)
            for (const auto &row : {change.oldRow, change.newRow})
                if (row) codes << named(delta.fields, *row).value(CodeField).value_or(QString());
        codes.sort();
        codes.removeDuplicates();
        for (const QString &code : std::as_const(codes)) {
            const Variant found = read(QStringLiteral("GetExtras"), {RemoteArg(code)});
            if (server_failure::is(found)) return Found::Unclear;
            const packet::Packet part = packet::fromVariant(found);
            now.fields = part.fields;
            now.rows += part.rows;
        }
    }
    QHash<QString, Named> stored;
    for (const packet::Row &row : std::as_const(now.rows)) {
        const Named values = named(now.fields, row);
        stored.insert(keyOf(values, extras), values);
    }
    bool allMade = true, noneMade = true;
    for (const packet::Change &change : delta.changes) {
        const std::optional<Named> before =
            change.oldRow ? std::optional(named(delta.fields, *change.oldRow)) : std::nullopt;
        const std::optional<Named> after =
            change.newRow ? std::optional(named(delta.fields, *change.newRow)) : std::nullopt;
        // Made: the new record is there (a deletion: the old key is gone). Not made: the old
        // record is there (an insertion: its key is not).
        const bool made = after ? holds(stored, *after, extras)
                                : !stored.contains(keyOf(*before, extras));
        const bool notMade = before ? holds(stored, *before, extras)
                                    : !stored.contains(keyOf(*after, extras));
        if (!made && !notMade) return Found::Unclear;
        allMade = allMade && made;
        noneMade = noneMade && notMade;
    }
    if (allMade) {
        *answer = packet::toVariant(now);
        return Found::Stored;
    }
    return noneMade ? Found::NotStored : Found::Unclear;
}
