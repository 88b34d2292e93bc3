#include "TDBGrid.h"
#include "TDBGridPrivate.h"

#include "EventBoundary.h"
#include "GridDelegate.h"
#include "GridHeader.h"
#include "GridSelectionModel.h"
#include "RecordSetModel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QShowEvent>
#include <QStyle>
#include <algorithm>

namespace {
// While alive, marks the grid as following the record set.
class Flag
{
public:
    explicit Flag(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~Flag() { m_flag = m_old; }

private:
    bool &m_flag;
    bool m_old;
};
} // namespace

TDBGrid::TDBGrid(QWidget *parent, const QString &name) : QTableView(parent), d(new Private)
{
    setObjectName(name);
    d->model = new RecordSetModel(this, this);
    d->model->beforeRowsChange = [this] {
        // The view moves its current cell off a removed row by itself; that move must not reach
        // the record set, which is the one removing the row.
        d->rowsChanging = true;
        discardEditor();
    };
    d->model->columnEditable = [this](int column) {
        const TColumn *at = Columns(column);
        return (d->options & dgEditing) && d->dataSet && d->dataSet->Active() && at && !at->ReadOnly;
    };
    setModel(d->model);
    d->selection = new GridSelectionModel(d->model, this);
    QItemSelectionModel *initial = selectionModel();
    setSelectionModel(d->selection);
    delete initial;
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The paint fills everything it repaints with the grid's colour first: nothing below the
    // viewport (its own background, the sheet, the form) needs painting for it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setGridStyle(Qt::NoPen); // the grid draws its lines itself (paintGridLines)
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(qMax(18, fontMetrics().height() + 4));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalHeader(new GridHeader(this));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSectionsMovable(true);
    // A caption too long for its column ends in "..." and is never cut at both sides; the last
    // column takes the room the others leave.
    horizontalHeader()->setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this, &TDBGrid::showHeaderMenu);

    connect(d->model, &QAbstractItemModel::modelReset, this, [this] {
        d->rowsChanging = false;
        // Laid out now rather than from the view's own zero timer, so that a reload paints the
        // grid once instead of twice (before and after that layout).
        doItemsLayout();
        applyColumnWidths();
        followDataSet();
        refreshIndicator();
    });
    connect(d->model, &QAbstractItemModel::rowsInserted, this, [this] {
        d->rowsChanging = false;
        followDataSet();
        refreshIndicator();
    });
    connect(d->model, &QAbstractItemModel::rowsRemoved, this, [this] {
        d->rowsChanging = false;
        followDataSet();
        refreshIndicator();
    });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        TColumn *column = Columns(section);
        if (column && OnTitleClick)
            EventBoundary::run([this, column] { OnTitleClick(column); });
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        // A width the user dragged is the column's width from now on (the header also resizes
        // sections itself, on resets, which must not freeze a width taken from the field).
        // The last column's width is whatever room is left, never a width of its own.
        if (!d->applyingWidths && section < ColumnCount() - 1 &&
            (QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            d->columns[size_t(section)]->ChosenWidth = size;
            emit columnLayoutChangedByUser();
        }
    });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
        // The header only moved a picture of the column; the grid's column list is what moves.
        EventBoundary::later(this, [this, from, to] {
            horizontalHeader()->blockSignals(true);
            horizontalHeader()->moveSection(to, from);
            horizontalHeader()->blockSignals(false);
            MoveColumn(from, to);
            emit columnLayoutChangedByUser();
        });
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        // A click that did not land on the current cell (a refused move) is no cell click.
        if (index != currentIndex() || !OnCellClick)
            return;
        TColumn *column = Columns(index.column());
        EventBoundary::run([this, column] { OnCellClick(column); });
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        const bool inside = now && (now == this || isAncestorOf(now));
        const bool wasInside = old && (old == this || isAncestorOf(old));
        if (inside && !wasInside && OnEnter)
            EventBoundary::run([this] { OnEnter(this); });
        // Leaving for another control of the same window (not for a dialog) gives up a new
        // record nobody wrote anything into.
        if (wasInside && !inside && now && now->window() == window() && (d->options & dgCancelOnExit))
            EventBoundary::run([this] { cancelUntouchedInsert(); });
        if (inside != wasInside)
            viewport()->update();
    });
    applyOptions();
}

TDBGrid::~TDBGrid()
{
    // Editors and the model must not call back into a half-destroyed grid.
    d->model->beforeRowsChange = nullptr;
    disconnect(qApp, nullptr, this, nullptr);
    // Nothing the grid does while going away is a user's doing: no handler runs.
    clearHandlers();
    discardEditor();
    // The model reads the grid's columns, which go before the view's own destructor runs.
    setModel(nullptr);
    for (const auto &connection : std::as_const(d->dataSetConnections))
        disconnect(connection);
}

void TDBGrid::clearHandlers()
{
    OnColEnter = nullptr;
    OnEnter = nullptr;
    OnColExit = nullptr;
    OnCellClick = nullptr;
    OnTitleClick = nullptr;
    OnEditButtonClick = nullptr;
    OnKeyDown = nullptr;
    OnCommandKey = nullptr;
    OnDrawColumnCell = nullptr;
}

// --- data source ----------------------------------------------------------------------------

TDataSource *TDBGrid::DataSource() const
{
    return d->source;
}

void TDBGrid::SetDataSource(TDataSource *source)
{
    if (d->source == source)
        return;
    disconnect(d->sourceConnection);
    d->source = source;
    if (source)
        d->sourceConnection = connect(source, &TDataSource::dataSetChanged, this, [this] { bindDataSet(); });
    bindDataSet();
}

void TDBGrid::bindDataSet()
{
    TClientDataSet *dataSet = d->source ? d->source->DataSet() : nullptr;
    discardEditor();
    for (const auto &connection : std::as_const(d->dataSetConnections))
        disconnect(connection);
    d->dataSetConnections.clear();
    d->dataSet = dataSet;
    d->model->setDataSet(dataSet);
    if (!dataSet)
        return;
    d->dataSetConnections
        << connect(dataSet, &TClientDataSet::currentChanged, this, [this](int) {
               // The gate sets the view itself once the record set has moved.
               if (!d->userMove)
                   followDataSet();
               refreshIndicator();
           })
        << connect(dataSet, &TClientDataSet::stateChanged, this, [this] {
               refreshIndicator();
               viewport()->update();
           })
        << connect(dataSet, &TClientDataSet::changeLogChanged, this, [this] { viewport()->update(); })
        << connect(dataSet, &TClientDataSet::fieldFocusRequested, this,
                   [this](TField *field) { focusField(field); });
}

void TDBGrid::cancelUntouchedInsert()
{
    if (!d->dataSet || d->dataSet->State() != TDataSetState::dsInsert)
        return;
    for (int i = 0; i < d->dataSet->FieldCount(); ++i) {
        if (!d->dataSet->Fields(i)->IsNull())
            return;
    }
    discardEditor();
    d->dataSet->Cancel();
}

void TDBGrid::followDataSet()
{
    if (!d->dataSet || d->userMove)
        return;
    const int row = d->dataSet->Active() ? d->dataSet->RecNo() - 1 : -1;
    if (d->editor && d->editorIndex.row() != row)
        discardEditor();
    const int column = qBound(0, d->currentColumn, qMax(0, ColumnCount() - 1));
    const QModelIndex target = d->model->index(row, column);
    if (target == currentIndex())
        return;
    Flag following(d->following);
    if (target.isValid()) {
        setCurrentIndex(target);
        scrollTo(target);
    } else {
        selectionModel()->clearCurrentIndex();
    }
}

// Only the row that loses the indicator and the one that gets it are told: telling the header
// of every row made each move cost as much as the list is long.
void TDBGrid::refreshIndicator()
{
    const int rows = d->model->rowCount();
    const int row = d->dataSet && d->dataSet->Active() ? d->dataSet->RecNo() - 1 : -1;
    auto tell = [&](int changed) {
        if (changed >= 0 && changed < rows)
            emit d->model->headerDataChanged(Qt::Vertical, changed, changed);
    };
    if (verticalHeader()->isVisible()) {
        if (d->indicatorRow != row)
            tell(d->indicatorRow);
        tell(row);
    }
    d->indicatorRow = row;
}

// --- columns --------------------------------------------------------------------------------

TColumn *TDBGrid::AddColumn(const QString &fieldName)
{
    discardEditor();
    auto column = std::make_unique<TColumn>();
    column->FieldName = fieldName;
    column->m_grid = this;
    column->m_index = int(d->columns.size());
    TColumn *added = column.get();
    d->columns.push_back(std::move(column));
    columnsChanged();
    return added;
}

int TDBGrid::ColumnCount() const
{
    return int(d->columns.size());
}

TColumn *TDBGrid::Columns(int index) const
{
    if (index < 0 || index >= ColumnCount())
        return nullptr;
    return d->columns[size_t(index)].get();
}

void TDBGrid::MoveColumn(int from, int to)
{
    if (from < 0 || to < 0 || from >= ColumnCount() || to >= ColumnCount() || from == to)
        return;
    commitEditor();
    TColumn *selected = Columns(d->currentColumn);
    auto moving = std::move(d->columns[size_t(from)]);
    d->columns.erase(d->columns.begin() + from);
    d->columns.insert(d->columns.begin() + to, std::move(moving));
    for (int i = 0; i < ColumnCount(); ++i) {
        d->columns[size_t(i)]->m_index = i;
        if (d->columns[size_t(i)].get() == selected)
            d->currentColumn = i; // the selected column keeps being selected where it went
    }
    columnsChanged();
}

TDBGrid::ColumnLayout TDBGrid::CurrentColumnLayout() const
{
    ColumnLayout layout;
    for (const auto &column : d->columns) {
        layout.order << column->FieldName;
        layout.widths << column->ChosenWidth;
    }
    return layout;
}

void TDBGrid::ApplyColumnLayout(const ColumnLayout &layout)
{
    if (!d->defaults)
        d->defaults = CurrentColumnLayout();
    int place = 0;
    for (int i = 0; i < layout.order.size(); ++i) {
        int at = -1;
        for (int c = place; c < ColumnCount(); ++c) {
            if (Columns(c)->FieldName == layout.order.at(i))
                at = c;
        }
        if (at < 0)
            continue;
        if (at != place)
            MoveColumn(at, place);
        const int width = i < layout.widths.size() ? layout.widths.at(i) : 0;
        if (width == -1 || width > 0) // -1: the width the grid fits
            Columns(place)->ChosenWidth = width;
        ++place;
    }
    applyColumnWidths();
}

void TDBGrid::RestoreDefaultColumns()
{
    if (d->defaults)
        ApplyColumnLayout(*d->defaults);
    emit columnLayoutChangedByUser();
}

void TDBGrid::showHeaderMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Restaurar larguras e ordem das colunas"), this,
                   [this] { EventBoundary::run([this] { RestoreDefaultColumns(); }); });
    menu.exec(horizontalHeader()->mapToGlobal(position));
}

void TDBGrid::columnsChanged()
{
    d->model->columnsChanged();
}

void TDBGrid::applyColumnWidths()
{
    Flag applying(d->applyingWidths);
    for (int i = 0; i < ColumnCount(); ++i) {
        TColumn *column = Columns(i);
        if (column->ChosenWidth > 0) {
            setColumnWidth(i, column->ChosenWidth);
            continue;
        }
        setColumnWidth(i, fittedWidth(i));
    }
}

int TDBGrid::fittedWidth(int column)
{
    // The defined width (or the field's display width) is the floor; the title as the header
    // draws it and the texts in sight, with a little room, push it wider.
    TColumn *at = Columns(column);
    TField *field = at->Field();
    int width = at->Width;
    if (width < 0) {
        const int chars = field ? qMax(field->DisplayWidth(), field->DisplayLabel().size()) : 10;
        width = std::max(24, chars * fontMetrics().averageCharWidth() + 8);
    }
    QFont titleFont = horizontalHeader()->font();
    const QVariant fontRole = d->model->headerData(column, Qt::Horizontal, Qt::FontRole);
    if (fontRole.isValid())
        titleFont = fontRole.value<QFont>();
    const QString title = d->model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(title) +
                           2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader()) + 6;
    width = std::max(width, titleWidth);
    if (!field || at->ReadOnly || !d->dataSet || !d->dataSet->Active())
        return std::max(width, at->m_widestText); // a picture column shows no text
    // Only the rows a screen shows are measured: a list of thousands is not read for a width.
    constexpr int padding = 12;
    const int firstRow = std::max(0, rowAt(0));
    const int rowsInSight = std::max(30, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) + 1);
    const int lastRow = std::min(d->dataSet->RecordCount(), firstRow + rowsInSight);
    const QFontMetrics metrics = fontMetrics();
    for (int row = firstRow; row < lastRow; ++row)
        at->m_widestText = std::max(at->m_widestText,
                                    metrics.horizontalAdvance(d->dataSet->DisplayTextAt(row, field->Index())) + padding);
    return std::max(width, at->m_widestText);
}

// --- options and state ----------------------------------------------------------------------

TDBGridOptions TDBGrid::Options() const
{
    return d->options;
}

void TDBGrid::SetOptions(TDBGridOptions options)
{
    const bool editingOff = (d->options & dgEditing) && !(options & dgEditing);
    d->options = options;
    if (editingOff && d->editor) {
        // What was typed stays; a refused text is reported and dropped with the editor.
        if (!EventBoundary::attempt([this] { writeEditor(); }))
            d->refusedText.reset();
        discardEditor();
    }
    applyOptions();
}

void TDBGrid::applyOptions()
{
    horizontalHeader()->setVisible(d->options & dgTitles);
    verticalHeader()->setVisible(d->options & dgIndicator);
    horizontalHeader()->setSectionResizeMode((d->options & dgColumnResize) ? QHeaderView::Interactive
                                                                          : QHeaderView::Fixed);
    setShowGrid(d->options & (dgColLines | dgRowLines));
    setTabKeyNavigation(d->options & dgTabs);
}

TField *TDBGrid::SelectedField() const
{
    TColumn *column = Columns(d->currentColumn);
    return column ? column->Field() : nullptr;
}

int TDBGrid::SelectedIndex() const
{
    return d->currentColumn;
}

void TDBGrid::SetSelectedIndex(int column)
{
    if (column < 0 || column >= ColumnCount() || column == d->currentColumn)
        return;
    // A move asked for by code: the handlers' failures go back to the caller, and a refused move
    // leaves the editor where it was, as a user's would.
    const bool wasEditing = d->editor != nullptr;
    try {
        writeEditor();
        if (OnColExit)
            OnColExit(this);
    } catch (...) {
        keepEditing(wasEditing);
        throw;
    }
    closeCommittedEditor();
    d->currentColumn = column;
    {
        Flag following(d->following);
        const QModelIndex target = d->model->index(currentIndex().row(), column);
        if (target.isValid())
            setCurrentIndex(target);
    }
    if (OnColEnter)
        OnColEnter(this);
}

TCanvas *TDBGrid::Canvas() const
{
    return d->canvas;
}

RecordSetModel *TDBGrid::recordSetModel() const
{
    return d->model;
}

QWidget *TDBGrid::cellEditor() const
{
    return d->editor;
}

// --- moving ---------------------------------------------------------------------------------

QModelIndex TDBGrid::admitMove(const QModelIndex &to)
{
    if (d->following || d->rowsChanging || !to.isValid())
        return to;
    const int fromRow = currentIndex().isValid() ? currentIndex().row() : -1;
    const int fromColumn = d->currentColumn;
    if (to.row() == fromRow && to.column() == fromColumn)
        return to;

    // The commit ladder: the editor into the record, the record posted when the row changes.
    // The editor closes only once the move is admitted: a refused move leaves the editor, the
    // focus and the text in the column being left, however the move was asked for.
    const bool wasEditing = d->editor != nullptr || d->editorLeftForGrid;
    d->editorLeftForGrid = false;
    if (d->editor && !EventBoundary::attempt([this] { writeEditor(); })) {
        keepEditing(true);
        return {};
    }
    if (to.column() != fromColumn && OnColExit && !EventBoundary::attempt([this] { OnColExit(this); })) {
        keepEditing(wasEditing);
        return {};
    }
    closeCommittedEditor();
    d->entered.reset();

    const int column = to.column();
    int row = to.row();
    if (d->dataSet && d->dataSet->Active() && row != d->dataSet->RecNo() - 1) {
        bool movedOk;
        {
            Flag moving(d->userMove);
            movedOk = EventBoundary::attempt([this, row] { d->dataSet->SetRecNo(row + 1); });
        }
        if (!movedOk) {
            followDataSet(); // the view may have been reset by what ran during the move
            keepEditing(wasEditing);
            return {};
        }
        // What ran during the move (after-post handlers reloading the set) decides the row.
        row = d->dataSet->RecNo() - 1;
    }
    return d->model->index(row, column);
}

void TDBGrid::moved(const QModelIndex &previous, const QModelIndex &current)
{
    Q_UNUSED(previous);
    if (d->rowsChanging || !current.isValid() || current.column() == d->currentColumn)
        return;
    d->currentColumn = current.column();
    if (!d->following && OnColEnter)
        EventBoundary::run([this] { OnColEnter(this); });
}

void TDBGrid::focusField(TField *field)
{
    if (!field || field->DataSet() != d->dataSet)
        return;
    int column = -1;
    for (int i = 0; i < ColumnCount(); ++i) {
        if (Columns(i)->FieldName.compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
            column = i;
            break;
        }
    }
    if (column < 0)
        return;
    // Asked for in the middle of a check: no column-exit handler (it would run the checks again).
    if (d->editor && d->editorIndex.column() != column)
        discardEditor();
    const bool columnChanged = column != d->currentColumn;
    d->currentColumn = column;
    followDataSet();
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
    if (columnChanged && OnColEnter)
        EventBoundary::run([this] { OnColEnter(this); });
}

void TDBGrid::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    // The selection is the current cell, nothing else: a click whose move was refused must not
    // highlight the cell it landed on.
    Q_UNUSED(rect);
    Q_UNUSED(command);
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
}

void TDBGrid::showEvent(QShowEvent *event)
{
    if (!d->defaults)
        d->defaults = CurrentColumnLayout();
    QTableView::showEvent(event);
    applyColumnWidths();
    followDataSet();
}
