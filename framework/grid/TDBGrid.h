#pragma once

#include "Colors.h"
#include "Keys.h"
#include "TCanvas.h"
#include "TColumn.h"
#include "TDataSource.h"

#include <QRect>
#include <QTableView>
#include <exception>
#include <functional>
#include <memory>

enum TGridDrawFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = int;

enum TDBGridOption {
    dgEditing = 1 << 0, dgTitles = 1 << 1, dgIndicator = 1 << 2, dgColumnResize = 1 << 3,
    dgColLines = 1 << 4, dgRowLines = 1 << 5, dgTabs = 1 << 6, dgAlwaysShowSelection = 1 << 7,
    dgConfirmDelete = 1 << 8, dgCancelOnExit = 1 << 9,
};
using TDBGridOptions = int;

// A data-aware grid over the record set of a data source.
// Typing into a cell puts the record set into edit state; leaving a changed row or confirming
// the editor posts it; a refused post keeps the row and the editor where they are.
// One class, several sources: TDBGrid.cpp (data source, columns, moving), TDBGridEditing.cpp
// (the cell editor and the commit ladder), TDBGridKeys.cpp, TDBGridPainting.cpp.
class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    TDBGrid(QWidget *parent, const QString &name);
    ~TDBGrid() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);

    // Columns: define them before or after the data source is set.
    TColumn *AddColumn(const QString &fieldName);
    int ColumnCount() const;
    TColumn *Columns(int index) const;
    void MoveColumn(int from, int to);       // as the user dragging a column

    // The columns as the user arranged them: field names in order, and widths in pixels.
    struct ColumnLayout {
        QStringList order;
        QList<int> widths;
    };
    ColumnLayout CurrentColumnLayout() const;
    // Arranges the columns as given (unknown names are passed over); the rest keep their place.
    void ApplyColumnLayout(const ColumnLayout &layout);
    // Back to the columns as defined: their order and stored widths.
    void RestoreDefaultColumns();

    TDBGridOptions Options() const;
    void SetOptions(TDBGridOptions options);

    TField *SelectedField() const;           // field of the current column; nullptr when none
    int SelectedIndex() const;               // current column
    void SetSelectedIndex(int column);       // runs OnColExit/OnColEnter like a user move

    TColor Color = clWindow;                 // cell background (clWindow: the palette's base)
    QString EmptyText;                       // said in the grid while its record set is empty
    TCanvas *Canvas() const;                 // valid only inside OnDrawColumnCell

    // Commits an open cell editor into the record (typed text is never lost).
    void commitEditor();
    // Drops every handler (a form going away: its handlers must not run on a half-destroyed form).
    void clearHandlers();

    std::function<void(QObject *sender)> OnColEnter;
    std::function<void(QObject *sender)> OnEnter;
    std::function<void(QObject *sender)> OnColExit;   // a throw keeps the grid in the column
    std::function<void(TColumn *column)> OnCellClick;
    std::function<void(TColumn *column)> OnTitleClick;
    std::function<void(QObject *sender)> OnEditButtonClick;
    std::function<void(QObject *sender, int &key, TShiftState shift)> OnKeyDown;
    // Insert, Ctrl+Delete, Escape: a form whose commands have these keys takes them (true), and
    // the grid does nothing of its own with them.
    std::function<bool(int key, TShiftState shift)> OnCommandKey;
    std::function<void(QObject *sender, const QRect &rect, int dataCol, TColumn *column,
                       TGridDrawState state)> OnDrawColumnCell;

    // The grid's own model (for views and tests); columns are the grid's columns.
    class RecordSetModel *recordSetModel() const;
    // The open cell editor, nullptr when none.
    QWidget *cellEditor() const;
    // Opens the cell editor on the current cell as a key press would; false when the cell cannot
    // be edited (editing off, read-only field, record set refusing the edit).
    bool openEditor();
    // Moves to the first column that takes typing now (a column and field not read-only), as a
    // user's move; false when there is none or the move was refused.
    bool SelectFirstTypeableColumn();

signals:
    // The user resized or moved a column (to remember it), or asked for the defaults back.
    void columnLayoutChangedByUser();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class GridDelegate;
    friend class GridSelectionModel;
    struct Private;
    std::unique_ptr<Private> d;

    // Editor life (called by the delegate).
    QWidget *createCellEditor(QWidget *parent, const QModelIndex &index);
    void loadCellEditor(QWidget *editor, const QModelIndex &index);
    bool drawCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index);
    void paintGridLines(const QRegion &region);
    void paintPendingDeletes();
    void paintEmptyText();
    bool editorKeyDown(QKeyEvent *event);
    // The move gate: the index the grid may really move to, or an invalid one when refused.
    QModelIndex admitMove(const QModelIndex &to);
    void moved(const QModelIndex &previous, const QModelIndex &current);

    void bindDataSet();
    void writeEditor();
    void closeCommittedEditor();
    void keepEditing(bool wasEditing);   // after a refused move
    void discardEditor();
    // Escape in the editor: the field gets back its value from when the cell was entered.
    bool restoreEnteredValue();
    void followDataSet();
    void cancelUntouchedInsert();
    void refreshIndicator();
    void focusField(TField *field);
    void applyOptions();
    void applyColumnWidths();
    int fittedWidth(int column);
    bool typeable(int column) const;
    bool typeIntoFirstTypeableColumn(QKeyEvent *event);
    void showHeaderMenu(const QPoint &position);
    void columnsChanged();
    void editButtonClicked();
    void reportLater(const std::exception_ptr &failure);
};
