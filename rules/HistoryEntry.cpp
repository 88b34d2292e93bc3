#include "HistoryEntry.h"

#include "DataPacket.h"
#include "Exceptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

std::optional<HistoryEntry::Values> valuesOf(const std::optional<QString> &json)
{
    if (!json || json->isEmpty()) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(json->toUtf8());
    if (!document.isObject())
        throw EDatabaseError(QStringLiteral("Valores ilegíveis no histórico: %1").arg(*json));
    HistoryEntry::Values values;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        values.insert(it.key(), it->isNull() ? std::nullopt : std::optional(it->toString()));
    return values;
}

} // namespace

QStringList HistoryEntry::changedFields() const
{
    const Values none;
    const Values &old = before ? *before : none;
    const Values &now = after ? *after : none;
    QSet<QString> names;
    for (const Values *side : {&old, &now})
        for (auto it = side->begin(); it != side->end(); ++it)
            names.insert(it.key());
    QStringList changed;
    for (const QString &name : names)
        if (!before || !after || old.value(name) != now.value(name)) changed << name;
    changed.sort();
    return changed;
}

QList<HistoryEntry> HistoryEntry::listOf(const Variant &packet)
{
    const packet::Packet read = packet::fromVariant(packet);
    const auto column = [&read](const char *name) {
        for (int i = 0; i < read.fields.size(); ++i)
            if (read.fields[i].name == QLatin1String(name)) return i;
        throw EDatabaseError(
            QStringLiteral("O histórico não traz o campo %1.").arg(QLatin1String(name)));
    };
    const int when = column("DTALTERACAO"), user = column("NMUSUARIO"),
              operation = column("IDOPERACAO"), kind = column("IDTIPOREGISTRO"),
              record = column("DSREGISTRO"), before = column("DSANTES"), after = column("DSDEPOIS");
    QList<HistoryEntry> entries;
    for (const packet::Row &row : read.rows) {
        const auto text = [&row](int i) { return row.value(i).value_or(QString()); };
        HistoryEntry entry{text(when),
                           text(user),
                           text(operation),
                           text(kind),
                           text(record),
                           valuesOf(row.value(before)),
                           valuesOf(row.value(after))};
        if (!entry.before && !entry.after)
            throw EDatabaseError(
                QStringLiteral("Alteração sem valores no histórico: %1").arg(entry.record));
        entries << entry;
    }
    return entries;
}
