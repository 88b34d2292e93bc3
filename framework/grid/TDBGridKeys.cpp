#include "TDBGrid.h"
#include "TDBGridPrivate.h"

#include "EventBoundary.h"
#include "Interaction.h"
#include "RecordSetModel.h"

#include <QApplication>

namespace {
// F4 and Alt+Down open a column's lookup, as they open a drop-down list.
bool isLookupKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
           (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier);
}
} // namespace

// --- keys -----------------------------------------------------------------------------------

bool TDBGrid::editorKeyDown(QKeyEvent *event)
{
    // Escape in the editor gives up what was typed into this cell since it was entered, even
    // what a refused column exit already wrote; the record's own changes stay.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        return restoreEnteredValue();
    if (event == d->inFlight)
        return false;
    int key = vkFromQtKey(event->key());
    const TShiftState shift = shiftFromQt(event->modifiers());
    if (key != 0 && OnKeyDown) {
        if (!EventBoundary::attempt([this, &key, shift] { OnKeyDown(this, key, shift); }))
            return true;
        if (key == 0)
            return true;
    }
    if (isLookupKey(event)) {
        TColumn *column = Columns(d->editorIndex.column());
        if (column && column->ButtonStyle == TColumnButtonStyle::cbsEllipsis) {
            EventBoundary::later(this, [this] { editButtonClicked(); });
            return true;
        }
    }
    return false;
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    int key = vkFromQtKey(event->key());
    const TShiftState shift = shiftFromQt(event->modifiers());
    if (event == d->inFlight) {
        event->ignore(); // came back up from the editor it opened: handled once already
        return;
    }
    if (key != 0 && OnKeyDown) {
        const int original = key;
        if (!EventBoundary::attempt([this, &key, shift] { OnKeyDown(this, key, shift); }) || key == 0) {
            event->accept();
            return;
        }
        if (key != original) {
            // The handler rewrote the key: the grid handles the key it was given instead.
            QKeyEvent rewritten(event->type(), qtKeyFromVk(key), event->modifiers());
            keyPressEvent(&rewritten);
            return;
        }
    }
    const bool commandKey = key == VK_INSERT || key == VK_ESCAPE || (key == VK_DELETE && shift == ssCtrl);
    if (commandKey && OnCommandKey && OnCommandKey(key, shift)) {
        event->accept();
        return;
    }
    if (key == VK_ESCAPE && d->dataSet && d->dataSet->isEditing()) {
        // Escape with no editor open gives up the record's changes.
        EventBoundary::run([this] { d->dataSet->Cancel(); });
        event->accept();
        return;
    }
    const bool atRest = d->dataSet && d->dataSet->State() == TDataSetState::dsBrowse;
    if (key == VK_INSERT && shift == 0 && atRest && (d->options & dgEditing)) {
        // Insert adds a record before the current one, as the form's Include command does.
        EventBoundary::run([this] { d->dataSet->Insert(); });
        event->accept();
        return;
    }
    if (key == VK_DELETE && shift == ssCtrl && atRest && !d->dataSet->IsEmpty()) {
        EventBoundary::run([this] {
            if ((d->options & dgConfirmDelete) &&
                Interaction::current().messageDialog(QStringLiteral("Excluir o registro?"), TMsgDlgType::mtConfirmation,
                                                     mbOK | mbCancel) != mrOk)
                return;
            d->dataSet->Delete();
        });
        event->accept();
        return;
    }
    if (typeIntoFirstTypeableColumn(event)) {
        event->accept();
        return;
    }
    if (isLookupKey(event)) {
        TColumn *column = Columns(d->currentColumn);
        if (column && column->ButtonStyle == TColumnButtonStyle::cbsEllipsis && (d->options & dgEditing)) {
            editButtonClicked();
            event->accept();
            return;
        }
    }
    QKeyEvent *outer = d->inFlight;
    d->inFlight = event;
    QTableView::keyPressEvent(event);
    d->inFlight = outer;
}
