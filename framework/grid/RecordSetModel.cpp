#include "RecordSetModel.h"

#include "TClientDataSet.h"
#include "TDBGrid.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QHeaderView>

RecordSetModel::RecordSetModel(QObject *parent, TDBGrid *grid)
    : QAbstractTableModel(parent), m_grid(grid)
{
}

void RecordSetModel::setDataSet(TClientDataSet *dataSet)
{
    if (beforeRowsChange)
        beforeRowsChange();
    beginResetModel();
    for (const auto &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_connections << connect(dataSet, &TClientDataSet::contentAboutToBeReset, this, [this] { beginRowsChange(); })
                      << connect(dataSet, &TClientDataSet::contentReset, this, &RecordSetModel::resetRows)
                      << connect(dataSet, &TClientDataSet::rowAboutToBeInserted, this, [this](int row) {
                             beginRowsChange(Change::Insert, row);
                         })
                      << connect(dataSet, &TClientDataSet::rowInserted, this, &RecordSetModel::insertRow)
                      << connect(dataSet, &TClientDataSet::rowAboutToBeRemoved, this, [this](int row) {
                             beginRowsChange(Change::Remove, row);
                         })
                      << connect(dataSet, &TClientDataSet::rowRemoved, this, &RecordSetModel::removeRow)
                      << connect(dataSet, &TClientDataSet::rowChanged, this, &RecordSetModel::changeRow)
                      << connect(dataSet, &QObject::destroyed, this, [this] { setDataSet(nullptr); });
    }
    m_rows = (dataSet && dataSet->Active()) ? dataSet->RecordCount() : 0;
    endResetModel();
}

TField *RecordSetModel::fieldAt(int column) const
{
    if (!m_dataSet)
        return nullptr;
    if (m_grid) {
        TColumn *gridColumn = m_grid->Columns(column);
        return gridColumn ? gridColumn->Field() : nullptr;
    }
    int visible = 0;
    for (int i = 0; i < m_dataSet->FieldCount(); ++i) {
        TField *field = m_dataSet->Fields(i);
        if (!field->Visible())
            continue;
        if (visible++ == column)
            return field;
    }
    return nullptr;
}

int RecordSetModel::fieldIndexAt(int column) const
{
    TField *field = fieldAt(column);
    return field ? field->Index() : -1;
}

void RecordSetModel::writeCell(int row, int column, const QString &typed)
{
    TField *field = fieldAt(column);
    if (!m_dataSet || !field)
        return;
    if (m_dataSet->RecNo() != row + 1)
        m_dataSet->SetRecNo(row + 1);
    if (m_dataSet->State() == TDataSetState::dsBrowse)
        m_dataSet->Edit();
    field->SetText(typed);
}

void RecordSetModel::columnsChanged()
{
    beginResetModel();
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_grid)
        return m_grid->ColumnCount();
    if (!m_dataSet)
        return 0;
    int visible = 0;
    for (int i = 0; i < m_dataSet->FieldCount(); ++i)
        visible += m_dataSet->Fields(i)->Visible() ? 1 : 0;
    return visible;
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_dataSet || index.row() >= m_rows)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        // Only the texts need the column's field; a painted cell asks for many other roles.
        const int fieldIndex = fieldIndexAt(index.column());
        if (fieldIndex < 0)
            return QString();
        return role == Qt::DisplayRole ? m_dataSet->DisplayTextAt(index.row(), fieldIndex)
                                       : m_dataSet->ValueAt(index.row(), fieldIndex);
    }
    case FieldNameRole: {
        TField *field = fieldAt(index.column());
        return field ? field->FieldName() : QString();
    }
    case Qt::BackgroundRole:
        if (m_grid)
            return toQColor(m_grid->Color);
        return {};
    case UnsavedRole:
        return m_dataSet->ChangePendingAt(index.row());
    case Qt::ToolTipRole:
        if (m_dataSet->ChangePendingAt(index.row()))
            return QStringLiteral("Alteração não gravada no servidor");
        return {};
    default:
        return {};
    }
}

QString RecordSetModel::symbolGlyph(const QString &caption)
{
    // The symbol fonts' check marks: "4" of the check-box symbol set, "a" of the window glyphs.
    if (caption == QLatin1String("4"))
        return QString(QChar(0x2714));
    if (caption == QLatin1String("a"))
        return QString(QChar(0x2713));
    return caption;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The indicator column: the current record, and what is being done to it.
        if (role != Qt::DisplayRole)
            return {};
        if (!m_dataSet || section != m_dataSet->RecNo() - 1)
            return QString();
        switch (m_dataSet->State()) {
        case TDataSetState::dsInsert: return QStringLiteral("*");
        case TDataSetState::dsEdit: return QString(QChar(0x270E));
        default: return QString(QChar(0x25B6));
        }
    }
    if (m_grid) {
        TColumn *column = m_grid->Columns(section);
        if (!column)
            return {};
        switch (role) {
        case Qt::DisplayRole: {
            if (!column->Title.Caption.isEmpty()) {
                return column->Title.SymbolCharset ? symbolGlyph(column->Title.Caption)
                                                   : column->Title.Caption;
            }
            TField *field = column->Field();
            return field ? field->DisplayLabel() : column->FieldName;
        }
        case Qt::FontRole: {
            if (column->Title.FontName.isEmpty() && column->Title.FontHeight == 0)
                return {};
            QFont font = m_grid->horizontalHeader()->font();
            // A symbol title names a symbol font that is not there; the glyph comes from the
            // grid's own font family, which has the check marks.
            if (!column->Title.SymbolCharset && !column->Title.FontName.isEmpty())
                font.setFamily(column->Title.FontName);
            if (column->Title.FontHeight < 0)
                font.setPixelSize(-column->Title.FontHeight);
            else if (column->Title.FontHeight > 0)
                font.setPointSize(column->Title.FontHeight);
            return font;
        }
        case Qt::ForegroundRole:
            return toQColor(column->Title.FontColor);
        case Qt::BackgroundRole:
            // A light glyph (the white check mark) needs a darker title than the style's to be seen.
            if (column->Title.SymbolCharset && toQColor(column->Title.FontColor).lightness() > 160)
                return QApplication::palette().color(QPalette::Dark);
            return {};
        case Qt::TextAlignmentRole:
            return column->Title.SymbolCharset ? QVariant(int(Qt::AlignCenter)) : QVariant();
        case TitleSymbolRole:
            return column->Title.SymbolCharset;
        case Qt::ToolTipRole:
            return column->Title.Hint.isEmpty() ? QVariant() : QVariant(column->Title.Hint);
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole)
        return {};
    TField *field = fieldAt(section);
    return field ? field->DisplayLabel() : QVariant();
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TField *field = fieldAt(index.column());
    if (field && !field->ReadOnly() && columnEditable && columnEditable(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

// Views are told of a change while the rows are still as they were, and again once it is done;
// a change announced in any other way than the record set announces it becomes a reset.
void RecordSetModel::beginRowsChange(Change change, int row)
{
    if (m_pending != Change::None)
        return;
    if (beforeRowsChange)
        beforeRowsChange();
    if ((change == Change::Insert && (row < 0 || row > m_rows)) ||
        (change == Change::Remove && (row < 0 || row >= m_rows)))
        change = Change::Reset;
    m_pending = change;
    m_pendingRow = row;
    switch (change) {
    case Change::Insert: beginInsertRows(QModelIndex(), row, row); break;
    case Change::Remove: beginRemoveRows(QModelIndex(), row, row); break;
    default: beginResetModel(); break;
    }
}

void RecordSetModel::resetRows()
{
    if (m_pending != Change::None && m_pending != Change::Reset)
        endRowsChange(); // finishes what was announced, then the whole content follows
    if (m_pending == Change::None)
        beginRowsChange(Change::Reset);
    m_rows = (m_dataSet && m_dataSet->Active()) ? m_dataSet->RecordCount() : 0;
    m_pending = Change::None;
    endResetModel();
}

void RecordSetModel::endRowsChange()
{
    const Change done = m_pending;
    m_pending = Change::None;
    switch (done) {
    case Change::Insert: ++m_rows; endInsertRows(); break;
    case Change::Remove: --m_rows; endRemoveRows(); break;
    case Change::Reset:
        m_rows = (m_dataSet && m_dataSet->Active()) ? m_dataSet->RecordCount() : 0;
        endResetModel();
        break;
    case Change::None: break;
    }
}

void RecordSetModel::insertRow(int row)
{
    if (m_pending == Change::None || (m_pending == Change::Insert && m_pendingRow != row))
        return resetRows();
    endRowsChange();
}

void RecordSetModel::removeRow(int row)
{
    if (m_pending == Change::None || (m_pending == Change::Remove && m_pendingRow != row))
        return resetRows();
    endRowsChange();
}

void RecordSetModel::changeRow(int row)
{
    if (row < 0 || row >= m_rows || columnCount() == 0)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
