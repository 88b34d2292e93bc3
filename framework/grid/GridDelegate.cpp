#include "GridDelegate.h"

#include "RecordSetModel.h"
#include "TDBGrid.h"

#include <QHeaderView>
#include <QPainter>

#include <QKeyEvent>

GridDelegate::GridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid)
{
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_grid->drawCell(painter, option, index))
        QStyledItemDelegate::paint(painter, option, index);
    if (index.data(RecordSetModel::UnsavedRole).toBool())
        paintUnsavedMark(painter, option, index);
}

void GridDelegate::paintUnsavedMark(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // A row the server has not got is framed in red, over whatever the cell painted, so it can
    // be told from the stored ones whoever paints the cells.
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(unsavedColour());
    const QRect cell = option.rect;
    constexpr int width = 2;
    painter->drawRect(QRect(cell.left(), cell.top(), cell.width(), width));
    painter->drawRect(QRect(cell.left(), cell.bottom() - width + 1, cell.width(), width));
    const QHeaderView *header = m_grid->horizontalHeader();
    const int visual = header->visualIndex(index.column());
    if (visual == 0)
        painter->drawRect(QRect(cell.left(), cell.top(), width, cell.height()));
    if (visual == header->count() - 1)
        painter->drawRect(QRect(cell.right() - width + 1, cell.top(), width, cell.height()));
    painter->restore();
}

QColor GridDelegate::unsavedColour()
{
    return QColor(0xc0, 0x00, 0x00);
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
