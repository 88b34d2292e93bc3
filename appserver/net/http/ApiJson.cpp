#include "ApiJson.h"

#include "ApiExchange.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

namespace api_json {

namespace {

QJsonValue text(const std::optional<QString> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// Refuses members the resource does not have, so that a misspelt one is not silently dropped.
void onlyKnown(const QJsonObject &body, const QSet<QString> &known)
{
    for (auto it = body.begin(); it != body.end(); ++it)
        if (!known.contains(it.key()))
            throw ApiProblem(400,
                             QStringLiteral("Membro desconhecido no corpo: \"%1\".").arg(it.key()));
}

std::optional<QString> textOrNull(const QJsonObject &body, const QString &member, bool required)
{
    const QJsonValue value = body.value(member);
    if (value.isString()) return value.toString();
    if (value.isNull() && !required) return std::nullopt;
    if (value.isUndefined() && !required) return std::nullopt;
    throw ApiProblem(400, required
                              ? QStringLiteral("Informe \"%1\" como texto.").arg(member)
                              : QStringLiteral("\"%1\" deve ser um texto ou null.").arg(member));
}

} // namespace

QJsonObject dimension(const packet::Row &row)
{
    return {{QStringLiteral("code"), text(row.value(1))},
            {QStringLiteral("name"), text(row.value(2))},
            {QStringLiteral("table"), text(row.value(3))},
            {QStringLiteral("keyField"), text(row.value(4))},
            {QStringLiteral("attributeField"), text(row.value(5))},
            {QStringLiteral("parentField"), text(row.value(6))},
            {QStringLiteral("inWarehouse"), row.value(0) == QStringLiteral("S")}};
}

packet::Row dimensionRow(const QJsonObject &body, const QString &code)
{
    onlyKnown(body, {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("table"),
                     QStringLiteral("keyField"), QStringLiteral("attributeField"),
                     QStringLiteral("parentField"), QStringLiteral("inWarehouse")});
    const QJsonValue flag = body.value(QStringLiteral("inWarehouse"));
    if (!flag.isBool())
        throw ApiProblem(400, QStringLiteral("Informe \"inWarehouse\" como true ou false."));
    return {flag.toBool() ? QStringLiteral("S") : QStringLiteral("N"),
            code,
            textOrNull(body, QStringLiteral("name"), true),
            textOrNull(body, QStringLiteral("table"), false),
            textOrNull(body, QStringLiteral("keyField"), false),
            textOrNull(body, QStringLiteral("attributeField"), false),
            textOrNull(body, QStringLiteral("parentField"), false)};
}

QJsonObject extra(const packet::Row &row)
{
    return {{QStringLiteral("field"), text(row.value(1))},
            {QStringLiteral("name"), text(row.value(2))}};
}

packet::Row extraRow(const QJsonObject &body, const QString &code, const QString &field)
{
    onlyKnown(body, {QStringLiteral("field"), QStringLiteral("name")});
    return {code, field, textOrNull(body, QStringLiteral("name"), true)};
}

QByteArray etag(const packet::Row &row)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const std::optional<QString> &value : row) {
        if (!value) {
            digest.addData("\x01");
            continue;
        }
        const QByteArray bytes = value->toUtf8();
        digest.addData("\x02");
        digest.addData(QByteArray::number(bytes.size()) + ':');
        digest.addData(bytes);
    }
    return '"' + digest.result().left(16).toHex() + '"';
}

QJsonObject object(const QByteArray &body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw ApiProblem(400, QStringLiteral("Corpo JSON inválido: %1 (posição %2).")
                                  .arg(error.errorString())
                                  .arg(error.offset));
    if (!document.isObject())
        throw ApiProblem(400, QStringLiteral("O corpo deve ser um objeto JSON."));
    return document.object();
}

packet::Packet delta(const QVector<packet::FieldDef> &fields, packet::ChangeOp op,
                     std::optional<packet::Row> oldRow, std::optional<packet::Row> newRow)
{
    packet::Packet changes;
    changes.fields = fields;
    changes.isDelta = true;
    changes.changes.append({op, std::move(oldRow), std::move(newRow)});
    return changes;
}

} // namespace api_json
