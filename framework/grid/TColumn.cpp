#include "TColumn.h"

#include "TClientDataSet.h"
#include "TDBGrid.h"

TField *TColumn::Field() const
{
    if (!m_grid || FieldName.isEmpty())
        return nullptr;
    TDataSource *source = m_grid->DataSource();
    TClientDataSet *dataSet = source ? source->DataSet() : nullptr;
    if (!dataSet)
        return nullptr;
    // Fields are never renamed; a set that replaces its fields deletes the old ones.
    if (m_field && m_fieldDataSet == dataSet && m_fieldFoundBy == FieldName)
        return m_field;
    m_field = dataSet->FindField(FieldName);
    m_fieldDataSet = dataSet;
    m_fieldFoundBy = FieldName;
    return m_field;
}
