#pragma once

#include "TClientDataSet.h"

// A record set is editing while a record is being edited or inserted.
inline bool isEditing(const TClientDataSet *dataSet)
{
    const TDataSetState state = dataSet->State();
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}
