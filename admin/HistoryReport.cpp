#include "HistoryReport.h"

#include "HistoryMoment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString valueIn(const std::optional<HistoryEntry::Values> &values, const QString &field)
{
    return values ? values->value(field).value_or(QString()) : QString();
}

QJsonValue asJson(const std::optional<HistoryEntry::Values> &values)
{
    if (!values) return QJsonValue::Null;
    QJsonObject object;
    for (auto it = values->begin(); it != values->end(); ++it)
        object.insert(it.key(), it.value() ? QJsonValue(*it.value()) : QJsonValue());
    return object;
}

} // namespace

QByteArray HistoryReport::text() const
{
    QString out;
    for (const HistoryEntry &change : m_history) {
        QStringList fields;
        for (const QString &field : change.changedFields())
            fields << QStringLiteral("%1: \"%2\" → \"%3\"")
                          .arg(field, valueIn(change.before, field), valueIn(change.after, field));
        out += QStringList{HistoryMoment::shown(change.when), change.user,   change.operation,
                           change.kind, change.record, fields.join(QStringLiteral("; "))}
                   .join(QLatin1Char('\t')) +
               QLatin1Char('\n');
    }
    return out.toUtf8();
}

QByteArray HistoryReport::json() const
{
    QJsonArray changes;
    for (const HistoryEntry &change : m_history) {
        changes.append(QJsonObject{
            {QStringLiteral("when"), change.when},
            {QStringLiteral("user"), change.user},
            {QStringLiteral("operation"), change.operation},
            {QStringLiteral("kind"), change.kind},
            {QStringLiteral("record"), change.record},
            {QStringLiteral("changed"), QJsonArray::fromStringList(change.changedFields())},
            {QStringLiteral("before"), asJson(change.before)},
            {QStringLiteral("after"), asJson(change.after)}});
    }
    return QJsonDocument(changes).toJson(QJsonDocument::Indented);
}
