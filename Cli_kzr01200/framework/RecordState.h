#pragma once

#include "TClientDataSet.h"

// A record set is editing while a record is being edited or inserted.
inline bool isEditing(const TClientDataSet *dataSet)
{
    const TDataSetState state = dataSet->State();
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

// A field has changed when its value before the current edit (none while inserting) differs
// from the value being written, compared as values.
inline bool hasChanged(const TField *field)
{
    return !(field->OldValue() == field->NewValue());
}
