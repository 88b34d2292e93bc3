#pragma once

#include "Services.h"

// The hourglass for as long as it lives; the default cursor on every way out.
class HourGlassCursor
{
public:
    HourGlassCursor() { SetScreenCursor(crHourGlass); }
    ~HourGlassCursor() { SetScreenCursor(crDefault); }
    HourGlassCursor(const HourGlassCursor &) = delete;
    HourGlassCursor &operator=(const HourGlassCursor &) = delete;
};
