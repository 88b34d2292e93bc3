#include "AuditTrail.h"

#include "Database.h"
#include "Exceptions.h"
#include "TableLayout.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <numeric>

namespace {

// A text as a JSON string: quote, backslash and the control characters escaped, the rest as
// UTF-8; a lone surrogate, which UTF-8 cannot carry, as its \u escape.
void appendJsonString(QByteArray &out, QStringView text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    const auto escape = [&out](char16_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += Hex[(unit >> shift) & 0xf];
    };
    const auto byte = [&out](char32_t bits) { out += char(bits); };
    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        switch (u) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (u >= 0x20 && u < 0x80) {
            byte(u);
        } else if (u >= 0x80 && u < 0x800) {
            byte(0xc0 | (u >> 6));
            byte(0x80 | (u & 0x3f));
        } else if (u >= 0x800 && !QChar::isSurrogate(u)) {
            byte(0xe0 | (u >> 12));
            byte(0x80 | ((u >> 6) & 0x3f));
            byte(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t code = QChar::surrogateToUcs4(u, text[++i].unicode());
            byte(0xf0 | (code >> 18));
            byte(0x80 | ((code >> 12) & 0x3f));
            byte(0x80 | ((code >> 6) & 0x3f));
            byte(0x80 | (code & 0x3f));
        } else {
            escape(u); // the other control characters, and a lone surrogate
        }
    }
    out += '"';
}

QVariant json(const TableLayout &layout, const packet::Row *row)
{
    if (!row) return QVariant(QMetaType(QMetaType::QString));
    return AuditTrail::valuesAsJson(layout, *row);
}

QString keyOf(const TableLayout &layout, const packet::Row &row)
{
    QStringList parts;
    for (int index : layout.keyFields())
        parts << row.value(index).value_or(QString());
    return parts.join(QLatin1Char('/'));
}

QString operationName(packet::ChangeOp op)
{
    switch (op) {
    case packet::ChangeOp::Insert:
        return QStringLiteral("insert");
    case packet::ChangeOp::Modify:
        return QStringLiteral("modify");
    case packet::ChangeOp::Delete:
        break;
    }
    return QStringLiteral("delete");
}

} // namespace

QString AuditTrail::valuesAsJson(const TableLayout &layout, const packet::Row &row)
{
    // Written by hand in the form entries have always had: one compact object, its keys in
    // the order of their UTF-16 code units, null for a null value.
    const qsizetype count = std::min(layout.fields().size(), row.size());
    QVarLengthArray<qsizetype, 16> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return layout.fields()[a].name < layout.fields()[b].name;
    });
    QByteArray out;
    out.reserve(32 * count + 2);
    out += '{';
    for (qsizetype i : order) {
        if (out.size() > 1) out += ',';
        appendJsonString(out, layout.fields()[i].name);
        out += ':';
        if (const std::optional<QString> &value = row[i])
            appendJsonString(out, *value);
        else
            out += "null";
    }
    out += '}';
    return QString::fromUtf8(out);
}

void AuditTrail::record(const TableLayout &layout, packet::ChangeOp op, const packet::Row *oldRow,
                        const packet::Row *newRow)
{
    // A changed key is recorded under the key the record had.
    const packet::Row &identifying = oldRow ? *oldRow : *newRow;
    m_db.run(
        QStringLiteral("INSERT INTO AUDITORIASERVIDOR (DTALTERACAO, NMUSUARIO, NMTABELA, "
                       "IDOPERACAO, DSREGISTRO, DSANTES, DSDEPOIS) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {timestamp(QDateTime::currentDateTimeUtc()), m_user, layout.table(), operationName(op),
         keyOf(layout, identifying), json(layout, oldRow), json(layout, newRow)});
}

QString AuditTrail::timestamp(const QDateTime &moment)
{
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

namespace {

// The moment a --since text names, in the entries' form.
QString sinceMoment(const QString &since)
{
    QDateTime moment = QDateTime::fromString(since, Qt::ISODateWithMs);
    if (!moment.isValid()) moment = QDateTime(QDate::fromString(since, Qt::ISODate), QTime(0, 0));
    if (!moment.isValid())
        throw Exception(QStringLiteral("--since espera uma data AAAA-MM-DD ou data e hora "
                                       "AAAA-MM-DDTHH:MM[:SS] (UTC), recebeu \"%1\".")
                            .arg(since));
    if (moment.timeSpec() == Qt::LocalTime) moment.setTimeSpec(Qt::UTC);
    return AuditTrail::timestamp(moment);
}

} // namespace

QString AuditTrail::sinceAndUser(const QString &whenColumn, const QString &since,
                                 const QString &user, QVariantList &values)
{
    QString conditions;
    if (!since.isEmpty()) {
        // Written in one fixed form, the moments compare as text.
        conditions += QStringLiteral(" AND %1 >= ?").arg(whenColumn);
        values << sinceMoment(since);
    }
    if (!user.isEmpty()) {
        conditions += QStringLiteral(" AND NMUSUARIO = ?");
        values << user;
    }
    return conditions;
}

QVector<AuditTrail::Entry> AuditTrail::read(Database &db, const QString &since, const QString &user)
{
    QString sql =
        QStringLiteral("SELECT NRSEQUAUDI, DTALTERACAO, NMUSUARIO, NMTABELA, IDOPERACAO, "
                       "DSREGISTRO, DSANTES, DSDEPOIS FROM AUDITORIASERVIDOR WHERE 1 = 1");
    QVariantList values;
    sql += sinceAndUser(QStringLiteral("DTALTERACAO"), since, user, values);
    QSqlQuery query = db.run(sql + QStringLiteral(" ORDER BY NRSEQUAUDI"), values);
    QVector<Entry> entries;
    while (query.next()) {
        entries.push_back({query.value(0).toLongLong(), query.value(1).toString(),
                           query.value(2).toString(), query.value(3).toString(),
                           query.value(4).toString(), query.value(5).toString(),
                           query.value(6).toString(), query.value(7).toString()});
    }
    return entries;
}
