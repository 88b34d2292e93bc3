#include "TDBGrid.h"
#include "TDBGridPrivate.h"

#include "EventBoundary.h"
#include "GridDelegate.h"

#include <QPaintEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <utility>

// --- painting -------------------------------------------------------------------------------

void TDBGrid::paintEvent(QPaintEvent *event)
{
    // The grid's colour is the background of the whole grid, below the last row too (the cells
    // paint over it).
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), toQColor(Color));
    }
    QTableView::paintEvent(event);
    if (showGrid() && gridStyle() == Qt::NoPen) paintGridLines(event->region());
    paintPendingDeletes();
    paintEmptyText();
}

// An empty list tells the user what to do first, below the titles where the rows would be.
void TDBGrid::paintEmptyText()
{
    TClientDataSet *dataSet = d->dataSet;
    if (EmptyText.isEmpty() || !dataSet || !dataSet->Active() || !dataSet->IsEmpty() ||
        dataSet->State() == TDataSetState::dsInsert || dataSet->PendingDeleteCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const QRect room = viewport()->rect().adjusted(8, 8, -8, -8);
    painter.drawText(room, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, EmptyText);
}

// A record deleted while the server could not be told is still on the server: it stays in
// sight below the records, greyed, struck through and framed as unsent, until the delete is
// sent or given up. It is a picture only: no cell of it can be reached.
void TDBGrid::paintPendingDeletes()
{
    TClientDataSet *dataSet = d->dataSet;
    if (!dataSet || !dataSet->Active() || dataSet->PendingDeleteCount() == 0) return;
    const int height = verticalHeader()->defaultSectionSize();
    int top = verticalHeader()->length() - verticalHeader()->offset();
    QPainter painter(viewport());
    QFont struck = font();
    struck.setStrikeOut(true);
    painter.setFont(struck);
    for (int deleted = 0; deleted < dataSet->PendingDeleteCount(); ++deleted, top += height) {
        if (top > viewport()->height()) break;
        int left = columnViewportPosition(horizontalHeader()->logicalIndex(0));
        int right = left;
        for (int visual = 0; visual < horizontalHeader()->count(); ++visual) {
            const int column = horizontalHeader()->logicalIndex(visual);
            if (isColumnHidden(column)) continue;
            const QRect cell(columnViewportPosition(column), top, columnWidth(column), height);
            right = cell.right();
            const TField *field = Columns(column) ? Columns(column)->Field() : nullptr;
            painter.fillRect(cell, QColor(0xe8, 0xe8, 0xe8));
            painter.setPen(Qt::darkGray);
            if (field)
                painter.drawText(cell.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                                 dataSet->PendingDeleteText(deleted, field->Index()));
        }
        painter.setPen(QPen(GridDelegate::unsavedColour(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(left + 1, top + 1, right - left - 1, height - 2));
    }
}

// The lines between cells, on the pixels the table view keeps for them. The view would draw
// each as a line of one-pixel spans, a long one handed out to helper threads piece by piece;
// filled as rectangles they cost a fraction of that. The grid keeps the view's own pen off
// (NoPen) while it draws them.
void TDBGrid::paintGridLines(const QRegion &region)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor colour =
        QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const QHeaderView *rows = verticalHeader();
    const QHeaderView *columns = horizontalHeader();
    if (rows->count() == 0 || columns->count() == 0) return;
    const bool rightToLeft = isRightToLeft();
    // Some styles draw the outer lines too when the headers that would show them are hidden.
    const bool outerLines =
        style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this);
    const int lastX = columns->length() - columns->offset() - (rightToLeft ? 0 : 1);
    const int lastY = rows->length() - rows->offset() - 1;
    QPainter painter(viewport());
    for (QRect area : region) {
        area.setBottom(qMin(area.bottom(), lastY));
        if (rightToLeft)
            area.setLeft(qMax(area.left(), viewport()->width() - lastX));
        else
            area.setRight(qMin(area.right(), lastX));
        if (!area.isValid()) continue;
        int left = columns->visualIndexAt(area.left());
        int right = columns->visualIndexAt(area.right());
        if (rightToLeft) std::swap(left, right);
        if (left == -1) left = 0;
        if (right == -1) right = columns->count() - 1;
        int top = rows->visualIndexAt(area.top());
        int bottom = rows->visualIndexAt(area.bottom());
        if (bottom == -1) bottom = rows->count() - 1;
        if (top == -1 || top > bottom) continue;
        for (int visual = top; visual <= bottom; ++visual) {
            const int row = rows->logicalIndex(visual);
            if (rows->isSectionHidden(row)) continue;
            const int y = rowViewportPosition(row) + rowHeight(row) - 1;
            painter.fillRect(QRect(area.left(), y, area.width(), 1), colour);
        }
        for (int visual = left; visual <= right; ++visual) {
            const int column = columns->logicalIndex(visual);
            if (columns->isSectionHidden(column)) continue;
            int x = columnViewportPosition(column);
            if (!rightToLeft) x += columnWidth(column) - 1;
            painter.fillRect(QRect(x, area.top(), 1, area.height()), colour);
        }
        if (!outerLines) continue;
        if (columns->isHidden()) {
            const int row = rows->logicalIndex(top);
            if (!rows->isSectionHidden(row) && rowViewportPosition(row) == area.top())
                painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), colour);
        }
        if (rows->isHidden()) {
            const int column = columns->logicalIndex(left);
            if (!columns->isSectionHidden(column)) {
                int x = columnViewportPosition(column);
                if (rightToLeft) x += columnWidth(left) - 1;
                if ((!rightToLeft && x == area.left()) || (rightToLeft && x == area.right()))
                    painter.fillRect(QRect(x, area.top(), 1, area.height()), colour);
            }
        }
    }
}

bool TDBGrid::drawCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!OnDrawColumnCell)
        return false;
    TColumn *column = Columns(index.column());
    const bool current = index == currentIndex();
    TGridDrawState state = 0;
    if (current)
        state |= gdSelected;
    if (current && hasFocus())
        state |= gdFocused;

    painter->save();
    TCanvas canvas(painter);
    // The cell as the grid would colour it; the handler paints everything itself.
    const bool highlighted = current && (hasFocus() || (d->options & dgAlwaysShowSelection));
    canvas.SetBrushColor(highlighted ? clHighlight : Color);
    canvas.SetFontColor(highlighted ? clHighlightText : clWindowText);
    painter->setFont(option.font);
    d->canvas = &canvas;
    std::exception_ptr failure;
    try {
        // The handler reads the fields of the row being painted, not of the current record.
        std::optional<TClientDataSet::DisplayRecord> painted;
        if (TClientDataSet *dataSet = d->source ? d->source->DataSet() : nullptr)
            painted.emplace(dataSet, index.row());
        OnDrawColumnCell(this, option.rect, index.column(), column, state);
    } catch (...) {
        failure = std::current_exception();
    }
    d->canvas = nullptr;
    painter->restore();
    if (failure)
        reportLater(failure);
    return true;
}

void TDBGrid::reportLater(const std::exception_ptr &failure)
{
    // A dialog cannot open inside a paint; the report waits for the event loop, once a burst.
    if (d->reportPending)
        return;
    d->reportPending = true;
    EventBoundary::later(this, [this, failure] {
        d->reportPending = false;
        std::rethrow_exception(failure);
    });
}
