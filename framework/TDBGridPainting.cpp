#include "TDBGrid.h"
#include "TDBGridPrivate.h"

#include "EventBoundary.h"

#include <QPaintEvent>
#include <QPainter>

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
