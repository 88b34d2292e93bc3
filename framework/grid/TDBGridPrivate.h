#pragma once

// The grid's state, shared by its sources (TDBGrid*.cpp); private to the framework.

#include "CellEditor.h"
#include "TClientDataSet.h"
#include "TDBGrid.h"
#include "TDataSource.h"

#include <QKeyEvent>
#include <QPersistentModelIndex>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

class GridSelectionModel;
class RecordSetModel;

struct TDBGrid::Private {
    QPointer<TDataSource> source;
    QMetaObject::Connection sourceConnection;
    QPointer<TClientDataSet> dataSet;
    QList<QMetaObject::Connection> dataSetConnections;
    std::vector<std::unique_ptr<TColumn>> columns;
    RecordSetModel *model = nullptr;
    GridSelectionModel *selection = nullptr;
    TDBGridOptions options = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                             dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
    int currentColumn = 0;
    int indicatorRow = -1;             // the row whose indicator the header was last told of

    QPointer<CellEditor> editor;
    QPersistentModelIndex editorIndex;
    bool commitFailed = false;         // the last commit was refused: keep the editor open
    std::optional<QString> refusedText; // refused text, not offered again until changed
    // The cell being edited and the value its field held when the user entered it: Escape in
    // the editor puts it back, so a value the column refuses to leave with can always be undone.
    struct EnteredCell
    {
        QPersistentModelIndex index;
        Variant value;
    };
    std::optional<EnteredCell> entered;

    bool following = false;            // the view follows the record set: no gate, no handlers
    bool rowsChanging = false;         // rows come or go: the view's own moves are no user's
    bool userMove = false;             // the gate is moving the record set itself
    bool applyingWidths = false;
    bool reportPending = false;
    bool editorLeftForGrid = false;    // the editor just closed because the grid took the focus
    // The key press the grid is handling: Qt hands the key that opens an editor on to the
    // editor (and an ignored one back up to the grid); the handler must see it once.
    QKeyEvent *inFlight = nullptr;
    TCanvas *canvas = nullptr;
    // The columns as defined, taken before anyone could rearrange them.
    std::optional<ColumnLayout> defaults;
};
