#include "GridDelegate.h"

#include "TDBGrid.h"

#include <QKeyEvent>

GridDelegate::GridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid)
{
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_grid->drawCell(painter, option, index))
        QStyledItemDelegate::paint(painter, option, index);
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(option);
    return m_grid->createCellEditor(parent, index);
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    m_grid->loadCellEditor(editor, index);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    Q_UNUSED(editor);
    Q_UNUSED(model);
    Q_UNUSED(index);
}

void GridDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(index);
    editor->setGeometry(option.rect);
}

bool GridDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // Keys typed in the editor reach the grid's key handler first, as keys typed in the grid do.
    if (event->type() == QEvent::KeyPress && m_grid->editorKeyDown(static_cast<QKeyEvent *>(event)))
        return true;
    return QStyledItemDelegate::eventFilter(watched, event);
}
