#include "ImportFile.h"

#include "Exceptions.h"
#include "FileErrorText.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

[[noreturn]] void refuse(const QString &place, const QString &why)
{
    throw Exception(QStringLiteral("Arquivo inválido (%1): %2").arg(place, why));
}

ImportFile::Value jsonValue(const QJsonObject &object, const char *field, const QString &place)
{
    const QJsonValue v = object.value(QLatin1String(field));
    if (v.isUndefined() || v.isNull()) return std::nullopt;
    if (!v.isString())
        refuse(place, QStringLiteral("o campo %1 deve ser um texto").arg(QLatin1String(field)));
    return v.toString();
}

// One CSV record per call: RFC 4180, telling an empty quoted field ("" = empty text) from an
// empty unquoted one (null).
class CsvReader
{
public:
    explicit CsvReader(const QString &text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    int line() const { return m_line; }

    QVector<ImportFile::Value> record()
    {
        QVector<ImportFile::Value> cells;
        for (;;) {
            cells.push_back(cell());
            if (atEnd()) break;
            const QChar c = m_text[m_pos];
            if (c == QLatin1Char(',')) {
                ++m_pos;
                continue;
            }
            // End of the record: CRLF or LF.
            if (c == QLatin1Char('\r')) ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\n')) ++m_pos;
            ++m_line;
            break;
        }
        return cells;
    }

private:
    ImportFile::Value cell()
    {
        if (atEnd() || m_text[m_pos] != QLatin1Char('"')) {
            const qsizetype start = m_pos;
            while (!atEnd() && m_text[m_pos] != QLatin1Char(',') &&
                   m_text[m_pos] != QLatin1Char('\r') && m_text[m_pos] != QLatin1Char('\n'))
                ++m_pos;
            if (m_pos == start) return std::nullopt;
            return m_text.mid(start, m_pos - start);
        }
        ++m_pos;
        QString value;
        for (;;) {
            if (atEnd())
                refuse(QStringLiteral("linha %1").arg(m_line), QStringLiteral("aspas sem fim"));
            const QChar c = m_text[m_pos++];
            if (c != QLatin1Char('"')) {
                if (c == QLatin1Char('\n')) ++m_line;
                value += c;
            } else if (!atEnd() && m_text[m_pos] == QLatin1Char('"')) {
                value += c;
                ++m_pos;
            } else {
                return value;
            }
        }
    }

    QString m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace

ImportFile ImportFile::fromJson(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(QStringLiteral("linha %1").arg(bytes.left(error.offset).count('\n') + 1),
               FileErrorText::parsing(error));
    const QJsonValue list = document.object().value(QLatin1String("dimensoes"));
    if (!list.isArray())
        refuse(QStringLiteral("início"), QStringLiteral("falta a lista \"dimensoes\""));
    ImportFile file;
    int n = 0;
    for (const auto &item : list.toArray()) {
        const QString place = QStringLiteral("item %1").arg(++n);
        if (!item.isObject()) refuse(place, QStringLiteral("não é um objeto"));
        const QJsonObject o = item.toObject();
        Dimension d{place,
                    jsonValue(o, "IDDIMENSAODW", place),
                    jsonValue(o, "NRSEQUEDIME", place),
                    jsonValue(o, "NMITEMDIME", place),
                    jsonValue(o, "CDTABELADIME", place),
                    jsonValue(o, "DSPKDIME", place),
                    jsonValue(o, "DSITEMDIME", place),
                    jsonValue(o, "DSPKDIME2", place),
                    {}};
        for (const auto &extra : o.value(QLatin1String("extras")).toArray()) {
            const QJsonObject e = extra.toObject();
            d.extras.push_back({jsonValue(e, "CDATRIBEXTRDIME", place).value_or(QString()),
                                jsonValue(e, "DSATRIBEXTRDIME", place).value_or(QString())});
        }
        file.dimensions.push_back(d);
    }
    return file;
}

ImportFile ImportFile::fromCsv(const QByteArray &bytes)
{
    CsvReader reader(QString::fromUtf8(bytes));
    QHash<QString, int> column;
    const QVector<Value> header = reader.record();
    for (int i = 0; i < header.size(); ++i)
        column.insert(header[i].value_or(QString()), i);
    for (const char *needed :
         {"REGISTRO", "NRSEQUEDIME", "NMITEMDIME", "CDTABELADIME", "DSPKDIME", "DSITEMDIME",
          "DSPKDIME2", "IDDIMENSAODW", "CDATRIBEXTRDIME", "DSATRIBEXTRDIME"})
        if (!column.contains(QLatin1String(needed)))
            refuse(QStringLiteral("linha 1"),
                   QStringLiteral("falta a coluna %1").arg(QLatin1String(needed)));

    ImportFile file;
    QHash<QString, int> byCode;
    while (!reader.atEnd()) {
        const QString place = QStringLiteral("linha %1").arg(reader.line());
        const QVector<Value> cells = reader.record();
        if (cells.size() == 1 && !cells[0]) continue; // a blank line
        if (cells.size() != header.size())
            refuse(
                place,
                QStringLiteral("%1 valores para %2 colunas").arg(cells.size()).arg(header.size()));
        const auto at = [&](const char *name) { return cells[column.value(QLatin1String(name))]; };
        const QString kind = at("REGISTRO").value_or(QString());
        const QString code = at("NRSEQUEDIME").value_or(QString());
        if (kind == QLatin1String("DIMENSAO")) {
            byCode.insert(code, int(file.dimensions.size()));
            file.dimensions.push_back({place,
                                       at("IDDIMENSAODW"),
                                       at("NRSEQUEDIME"),
                                       at("NMITEMDIME"),
                                       at("CDTABELADIME"),
                                       at("DSPKDIME"),
                                       at("DSITEMDIME"),
                                       at("DSPKDIME2"),
                                       {}});
        } else if (kind == QLatin1String("EXTRA")) {
            if (!byCode.contains(code))
                refuse(
                    place,
                    QStringLiteral("atributo extra da dimensão %1, que não veio antes").arg(code));
            file.dimensions[byCode.value(code)].extras.push_back(
                {at("CDATRIBEXTRDIME").value_or(QString()),
                 at("DSATRIBEXTRDIME").value_or(QString())});
        } else {
            refuse(place, QStringLiteral("REGISTRO \"%1\" desconhecido").arg(kind));
        }
    }
    return file;
}
