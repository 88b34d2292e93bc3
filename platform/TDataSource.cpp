#include "TDataSource.h"

TDataSource::TDataSource(QObject *owner, const QString &name) : QObject(owner)
{
    setObjectName(name);
}

void TDataSource::SetDataSet(TClientDataSet *dataSet)
{
    if (m_dataSet == dataSet) return;
    disconnect(m_stateConnection);
    m_dataSet = dataSet;
    if (dataSet) {
        m_stateConnection = connect(dataSet, &TClientDataSet::stateChanged, this, [this] {
            if (OnStateChange) OnStateChange(this);
        });
    }
    emit dataSetChanged();
}

TDataSetState TDataSource::State() const
{
    return m_dataSet ? m_dataSet->State() : TDataSetState::dsInactive;
}
