#include "TDBGrid.h"
#include "TDBGridPrivate.h"

#include "EventBoundary.h"
#include "Exceptions.h"
#include "Interaction.h"
#include "MaskValidator.h"
#include "RecordSetModel.h"

#include <QApplication>

// --- editing --------------------------------------------------------------------------------

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // Only the current cell is edited: the record being edited is the record set's current one.
    if (index.isValid() && index != currentIndex() && trigger != AllEditTriggers)
        return false;
    // Ctrl and Alt combinations are commands (Ctrl+Space and the like), not typing.
    if (trigger == AnyKeyPressed && event && event->type() == QEvent::KeyPress &&
        (static_cast<QKeyEvent *>(event)->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    return QTableView::edit(index, trigger, event);
}

bool TDBGrid::openEditor()
{
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !(d->model->flags(index) & Qt::ItemIsEditable))
        return false;
    QTableView::edit(index, AllEditTriggers, nullptr);
    return d->editor != nullptr;
}

bool TDBGrid::typeable(int column) const
{
    TColumn *at = Columns(column);
    TField *field = at ? at->Field() : nullptr;
    return field && !at->ReadOnly && !field->ReadOnly();
}

bool TDBGrid::SelectFirstTypeableColumn()
{
    for (int column = 0; column < ColumnCount(); ++column) {
        if (!typeable(column))
            continue;
        if (column != d->currentColumn && !EventBoundary::attempt([this, column] { SetSelectedIndex(column); }))
            return false;
        return d->currentColumn == column;
    }
    return false;
}

bool TDBGrid::typeIntoFirstTypeableColumn(QKeyEvent *event)
{
    // A character typed where typing never works (a picture column) goes where it does.
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isSpace() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    TColumn *current = Columns(d->currentColumn);
    if (!current || !current->ReadOnly || !d->dataSet || !d->dataSet->Active() || d->dataSet->IsEmpty())
        return false;
    if (!SelectFirstTypeableColumn() || !openEditor())
        return true;
    // As typing into a cell does: the character takes the place of what the cell held.
    d->editor->selectAll();
    QKeyEvent typed(QEvent::KeyPress, event->key(), event->modifiers(), text);
    QApplication::sendEvent(d->editor, &typed);
    return true;
}

QWidget *TDBGrid::createCellEditor(QWidget *parent, const QModelIndex &index)
{
    TColumn *column = Columns(index.column());
    TField *field = column ? column->Field() : nullptr;
    if (!field || !d->dataSet)
        return nullptr;
    auto *editor = new CellEditor(parent, column->ButtonStyle == TColumnButtonStyle::cbsEllipsis);
    editor->setValidator(new MaskValidator(field, editor));
    if (field->Mask().isEmpty())
        editor->setCharacterLimit(field->Size());
    connect(editor, &CellEditor::ellipsisClicked, this, [this] { EventBoundary::later(this, [this] { editButtonClicked(); }); });
    // Opening the editor (to reach its button, say) changes nothing; typing into it puts the
    // record into edit state. A record set that refuses the edit takes the editor with it.
    connect(editor, &QLineEdit::textEdited, this, [this, editor] {
        d->refusedText.reset();
        const bool editing = EventBoundary::attempt([this] {
            if (d->dataSet && d->dataSet->State() == TDataSetState::dsBrowse)
                d->dataSet->Edit();
        });
        if (!editing && d->editor == editor)
            discardEditor();
    });
    if (!d->entered || d->entered->index != index)
        d->entered = Private::EnteredCell{index, field->Value()};
    d->editor = editor;
    d->editorIndex = index;
    d->commitFailed = false;
    d->refusedText.reset();
    return editor;
}

void TDBGrid::loadCellEditor(QWidget *editor, const QModelIndex &index)
{
    auto *cell = qobject_cast<CellEditor *>(editor);
    if (!cell || cell->loaded)
        return;
    cell->setText(d->model->data(index, Qt::EditRole).toString());
    cell->loaded = true;
}

void TDBGrid::writeEditor()
{
    CellEditor *editor = d->editor;
    if (!editor || !editor->isModified())
        return;
    const QString text = editor->text();
    if (d->refusedText && *d->refusedText == text)
        throw EAbort(); // already reported; the editor waits for a change
    try {
        d->model->writeCell(d->editorIndex.row(), d->editorIndex.column(), text);
    } catch (...) {
        d->refusedText = text;
        throw;
    }
    editor->setModified(false);
}

void TDBGrid::commitEditor()
{
    if (!d->editor)
        return;
    writeEditor();
    closeCommittedEditor();
}

void TDBGrid::closeCommittedEditor()
{
    CellEditor *editor = d->editor;
    if (!editor)
        return;
    d->editor = nullptr;
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::keepEditing(bool wasEditing)
{
    if (!wasEditing || !isVisible())
        return;
    // A refusal's dialog (or the focus moved to the field it is about) may have closed the
    // editor: it opens again on what the record holds, with the caret at the end, so the next
    // keys go on where the typing stopped.
    if (!d->editor) {
        const QModelIndex index = currentIndex();
        if (!index.isValid() || !(d->model->flags(index) & Qt::ItemIsEditable))
            return;
        QTableView::edit(index, AllEditTriggers, nullptr);
        if (!d->editor)
            return;
        d->editor->deselect();
        d->editor->end(false);
    }
    d->editor->setFocus(Qt::OtherFocusReason);
}

void TDBGrid::discardEditor()
{
    CellEditor *editor = d->editor;
    if (!editor)
        return;
    d->editor = nullptr;
    d->commitFailed = false;
    d->refusedText.reset();
    QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool TDBGrid::restoreEnteredValue()
{
    if (!d->editor || !d->entered || d->entered->index != d->editorIndex) return false;
    TColumn *column = Columns(d->editorIndex.column());
    TField *field = column ? column->Field() : nullptr;
    if (field && d->dataSet && d->dataSet->isEditing() && field->Value() != d->entered->value) {
        const Variant value = d->entered->value;
        EventBoundary::run([field, &value] {
            if (value.isNull())
                field->Clear();
            else
                field->SetAsString(value.toString());
        });
    }
    discardEditor();
    setFocus(Qt::OtherFocusReason);
    return true;
}

void TDBGrid::commitData(QWidget *editor)
{
    if (editor != d->editor) {
        QTableView::commitData(editor);
        return;
    }
    d->commitFailed = !EventBoundary::attempt([this] { writeEditor(); });
}

void TDBGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == d->editor) {
        if (d->commitFailed && hint != QAbstractItemDelegate::RevertModelCache) {
            // A refused value keeps the editor open with the text as typed.
            d->commitFailed = false;
            editor->setFocus();
            return;
        }
        if (hint == QAbstractItemDelegate::NoHint && (QApplication::focusWidget() == this ||
                                                      QApplication::focusWidget() == viewport())) {
            // A click elsewhere in the grid takes the focus before it asks to move: should the
            // move be refused, the editor comes back (see keepEditing).
            d->editorLeftForGrid = true;
            EventBoundary::later(this, [this] { d->editorLeftForGrid = false; });
        }
        if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem) {
            // Tab and Shift+Tab in the editor: the move passes the gate like any other, and the
            // next cell is edited only when the grid really got there.
            const QModelIndex target = moveCursor(hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious,
                                                  Qt::NoModifier);
            if (!target.isValid() || target == currentIndex())
                return;
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
            if (currentIndex() == target && (d->model->flags(target) & Qt::ItemIsEditable))
                QTableView::edit(target, AllEditTriggers, nullptr);
            return;
        }
        d->editor = nullptr;
        d->commitFailed = false;
        d->refusedText.reset();
    }
    QTableView::closeEditor(editor, hint);
}

void TDBGrid::editButtonClicked()
{
    if (!OnEditButtonClick)
        return;
    // The typed text goes into the record first, so the handler sees what the user sees.
    if (!EventBoundary::attempt([this] { commitEditor(); }))
        return;
    EventBoundary::run([this] { OnEditButtonClick(this); });
}
