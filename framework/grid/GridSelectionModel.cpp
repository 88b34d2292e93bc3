#include "GridSelectionModel.h"

#include "TDBGrid.h"

GridSelectionModel::GridSelectionModel(QAbstractItemModel *model, TDBGrid *grid)
    : QItemSelectionModel(model, grid), m_grid(grid)
{
}

void GridSelectionModel::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    const QModelIndex previous = currentIndex();
    const QModelIndex target = m_grid->admitMove(index);
    if (index.isValid() && !target.isValid())
        return; // refused: the grid stays where it is
    QItemSelectionModel::setCurrentIndex(target, command);
    m_grid->moved(previous, currentIndex());
}
