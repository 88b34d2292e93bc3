#include "GridHeader.h"

#include <QStyle>
#include <QStyleOptionHeader>

GridHeader::GridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
}

void GridHeader::initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    const QVariant font = model() ? model()->headerData(logicalIndex, orientation(), Qt::FontRole) : QVariant();
    const QFontMetrics metrics(font.canConvert<QFont>() ? font.value<QFont>() : this->font());
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
    const int room = sectionSize(logicalIndex) - 2 * margin;
    if (metrics.horizontalAdvance(option->text) > room)
        option->text = metrics.elidedText(option->text, Qt::ElideRight, qMax(0, room));
}

QRegion GridHeader::visualRegionForSelection(const QItemSelection &selection) const
{
    // Titles that are never highlighted look the same whatever cell is selected: moving the
    // current cell repaints no title.
    if (!highlightSections())
        return {};
    return QHeaderView::visualRegionForSelection(selection);
}
