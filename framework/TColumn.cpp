#include "TColumn.h"

#include "TDBGrid.h"

TField *TColumn::Field() const
{
    if (!m_grid || FieldName.isEmpty())
        return nullptr;
    TDataSource *source = m_grid->DataSource();
    TClientDataSet *dataSet = source ? source->DataSet() : nullptr;
    return dataSet ? dataSet->FindField(FieldName) : nullptr;
}
