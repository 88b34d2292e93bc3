#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <functional>

class TClientDataSet;
class TField;
class TDBGrid;

// A table model over a record set, following its signals. Over a grid, its columns are the
// grid's columns (read live, so a column's title or field can be changed at any time);
// otherwise one column per visible field.
// Reads go through the record set's view accessors, so the model never moves the cursor.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        FieldNameRole = Qt::UserRole + 1, // the column's field name
        TitleSymbolRole,                  // header: true when the title is a symbol glyph
        UnsavedRole,                      // true when the row holds a change the server has not got
    };

    explicit RecordSetModel(QObject *parent, TDBGrid *grid = nullptr);

    void setDataSet(TClientDataSet *dataSet);
    TClientDataSet *dataSet() const { return m_dataSet; }
    TField *fieldAt(int column) const;

    // Called before rows are replaced, added or removed: the grid closes its editor there, as
    // the model must never change under an open editor.
    std::function<void()> beforeRowsChange;
    // Whether a cell of a column may be typed into (the grid's editing options decide).
    std::function<bool(int column)> columnEditable;

    // Writes what a person typed into the cell: moves to the row when needed, enters edit
    // state, applies the field's edit mask. Throws what the record set refuses.
    void writeCell(int row, int column, const QString &typed);

    // The grid's columns changed (added, moved, retitled).
    void columnsChanged();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text shown for a title written in a symbol font (the check-mark "4" and the like).
    static QString symbolGlyph(const QString &caption);

private:
    enum class Change { None, Insert, Remove, Reset };
    void beginRowsChange(Change change = Change::Reset, int row = -1);
    void endRowsChange();
    void resetRows();
    void insertRow(int row);
    void removeRow(int row);
    void changeRow(int row);
    int fieldIndexAt(int column) const;

    TDBGrid *m_grid;
    QPointer<TClientDataSet> m_dataSet;
    QList<QMetaObject::Connection> m_connections;
    int m_rows = 0;
    Change m_pending = Change::None; // announced to the views, not yet done
    int m_pendingRow = -1;
};
