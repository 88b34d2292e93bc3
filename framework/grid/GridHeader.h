#pragma once

#include <QHeaderView>

// The grid's column titles: a caption too long for its column ends in "…" and keeps its start,
// whatever the style does with long captions.
class GridHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit GridHeader(QWidget *parent);

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
};
