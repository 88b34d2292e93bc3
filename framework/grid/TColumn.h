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
    int Width = -1;        // pixels as defined, a floor; -1: from the field's display width
    int ChosenWidth = -1;  // pixels the user chose (dragged, or remembered); wins over any fitting
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
    // The widest text the column was fitted to so far: it grows with longer texts and never
    // shrinks back, so a reload does not make the columns jump.
    int m_widestText = 0;
};
