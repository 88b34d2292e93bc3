#pragma once

#include "TColumnTitle.h"

#include <QPointer>
#include <QString>

class TClientDataSet;
class TDBGrid;
class TField;

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

// A column of a TDBGrid: the field it shows and how.
class TColumn
{
public:
    QString FieldName;
    int Width = -1;        // pixels; -1: default from the field's display width
    bool ReadOnly = false; // never typed into (a picture column, say)
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
    TColumnTitle Title;
    TField *Field() const;  // the field of the grid's record set, nullptr when none
    int Index() const { return m_index; }

private:
    friend class TDBGrid;
    TDBGrid *m_grid = nullptr;
    int m_index = 0;
    // The field last found, for the name and record set it was found by: a painted cell asks
    // several times, and a grid paints many cells.
    mutable QPointer<TField> m_field;
    mutable QPointer<TClientDataSet> m_fieldDataSet;
    mutable QString m_fieldFoundBy;
};
