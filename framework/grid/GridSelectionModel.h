#pragma once

#include <QItemSelectionModel>

class TDBGrid;

// Every change of the grid's current cell passes here first: the grid commits its editor, runs
// the column-exit handler and moves the record set, and may refuse the move.
class GridSelectionModel : public QItemSelectionModel
{
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel *model, TDBGrid *grid);
    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;

private:
    TDBGrid *m_grid;
};
