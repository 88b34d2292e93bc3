#pragma once

#include <QString>

class TDBGrid;

// A user's column widths and order, remembered per screen and grid in the application's
// settings (those the host set up: organisation and application name).
class ColumnLayoutSettings
{
public:
    // key: the screen and the grid, e.g. "KZR01200/dbgPadrao".
    static void restore(TDBGrid *grid, const QString &key);
    static void save(const TDBGrid *grid, const QString &key);
};
