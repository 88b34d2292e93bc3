#pragma once

#include "TClientDataSet.h"

#include <QObject>
#include <QPointer>
#include <functional>

// Links a record set to the views that show it and reports its state changes.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject *owner = nullptr, const QString &name = QString());

    TClientDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TClientDataSet *dataSet);
    TDataSetState State() const; // dsInactive without a record set

    // Called at every state change of the record set, with this data source as sender.
    std::function<void(QObject *sender)> OnStateChange;

signals:
    void dataSetChanged(); // another record set was attached

private:
    QPointer<TClientDataSet> m_dataSet;
    QMetaObject::Connection m_stateConnection;
};
