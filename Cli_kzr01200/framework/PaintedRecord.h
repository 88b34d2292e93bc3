#pragma once

#include "TDBGrid.h"

// The record of the grid row being painted. The grid paints every row without moving the
// record set, so a cell's field is read at the painted row (an edited row shows its buffer).
class PaintedRecord
{
public:
    PaintedRecord(const TDBGrid *grid, const QRect &cell) : m_row(grid->rowAt(cell.center().y())) {}

    QString displayText(const TField *field) const { return field->DataSet()->DisplayTextAt(m_row, field->Index()); }
    QString value(const TField *field) const { return field->DataSet()->ValueAt(m_row, field->Index()); }
    bool isNull(const TField *field) const { return field->DataSet()->IsNullAt(m_row, field->Index()); }

private:
    int m_row;
};
