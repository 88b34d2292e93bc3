#include "DimensionVersion.h"

#include "DimensionFields.h"

namespace {

QString valueOf(const HistoryEntry::Values &values, QLatin1String field)
{
    return values.value(field).value_or(QString());
}

} // namespace

DimensionVersion DimensionVersion::after(const QList<HistoryEntry> &history, int index)
{
    DimensionVersion version;
    for (int i = int(history.size()) - 1; i >= index && i >= 0; --i) {
        const HistoryEntry &change = history[i];
        if (!change.isExtra()) {
            version.dimension = change.after;
            continue;
        }
        // A changed field moves the attribute: it leaves its old field first.
        if (change.before) version.extras.remove(valueOf(*change.before, extra_fields::Field));
        if (change.after)
            version.extras.insert(valueOf(*change.after, extra_fields::Field),
                                  valueOf(*change.after, extra_fields::Name));
    }
    return version;
}

int DimensionVersion::indexAt(const QList<HistoryEntry> &history, const QDateTime &moment)
{
    for (int i = 0; i < history.size(); ++i)
        if (QDateTime::fromString(history[i].when, Qt::ISODateWithMs) <= moment) return i;
    return -1;
}
