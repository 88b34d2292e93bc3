#pragma once

#include <QDialog>
#include <QStringList>

class QTableView;
class RecordSetModel;
class TClientDataSet;

// A modal list of a record set's rows; the chosen row becomes the set's current row. Rows whose
// first field holds one of the used values are marked as already in use and cannot be chosen;
// the list starts on the row holding the current value.
class PickListDialog : public QDialog
{
    Q_OBJECT
public:
    PickListDialog(TClientDataSet *dataSet, const QString &title, const QStringList &used,
                   const QString &current, QWidget *parent);
    // Moves the record set to the row chosen; false when no row (or a row in use) is selected.
    bool choose();

private:
    TClientDataSet *m_dataSet;
    RecordSetModel *m_model;
    QTableView *m_view;
    class UsedRowsMarked *m_marked;
};
