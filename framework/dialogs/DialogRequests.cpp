#include "DialogRequests.h"

#include "TClientDataSet.h"

FindFields FindFields::of(const TClientDataSet *dataSet)
{
    FindFields offered;
    for (int i = 0; dataSet && i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        if (field->Visible())
            offered.fields.emplace_back(field->FieldName(), field->DisplayLabel());
    }
    if (!offered.fields.empty())
        offered.initial = offered.fields.front().first;
    return offered;
}
