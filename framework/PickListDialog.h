#pragma once

#include <QDialog>

class QTableView;
class RecordSetModel;
class TClientDataSet;

// A modal list of a record set's rows; the chosen row becomes the set's current row.
class PickListDialog : public QDialog
{
    Q_OBJECT
public:
    PickListDialog(TClientDataSet *dataSet, const QString &title, QWidget *parent);
    // Moves the record set to the row chosen; false when no row is selected.
    bool choose();

private:
    TClientDataSet *m_dataSet;
    RecordSetModel *m_model;
    QTableView *m_view;
};
