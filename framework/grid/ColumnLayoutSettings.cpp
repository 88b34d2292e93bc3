#include "ColumnLayoutSettings.h"

#include "TDBGrid.h"

#include <QSettings>

namespace {
QString group(const QString &key)
{
    return QStringLiteral("colunas/") + key;
}
} // namespace

void ColumnLayoutSettings::restore(TDBGrid *grid, const QString &key)
{
    QSettings settings;
    settings.beginGroup(group(key));
    TDBGrid::ColumnLayout layout;
    layout.order = settings.value(QStringLiteral("ordem")).toStringList();
    for (const QVariant &width : settings.value(QStringLiteral("larguras")).toList())
        layout.widths << width.toInt();
    if (!layout.order.isEmpty())
        grid->ApplyColumnLayout(layout);
}

void ColumnLayoutSettings::save(const TDBGrid *grid, const QString &key)
{
    const TDBGrid::ColumnLayout layout = grid->CurrentColumnLayout();
    QVariantList widths;
    for (int width : layout.widths)
        widths << width;
    QSettings settings;
    settings.beginGroup(group(key));
    settings.setValue(QStringLiteral("ordem"), layout.order);
    settings.setValue(QStringLiteral("larguras"), widths);
}
