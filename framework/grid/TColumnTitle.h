#pragma once

#include "Colors.h"

#include <QString>

// The title of a grid column: part of its column.
class TColumnTitle
{
public:
    QString Caption;       // empty: the field's display label
    QString FontName;      // empty: the grid's font
    int FontHeight = 0;    // platform units (negative: pixels)
    bool SymbolCharset = false;
    TColor FontColor = clWindowText;
    QString Hint;          // the title's tooltip (what a click on it does)
};
