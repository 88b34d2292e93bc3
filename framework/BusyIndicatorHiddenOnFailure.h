#pragma once

#include "Services.h"

#include <exception>

// Guards a whole check: whatever failure leaves the scope first hides the busy indicator
// that a call inside may have left showing, then goes on unchanged.
class BusyIndicatorHiddenOnFailure
{
public:
    BusyIndicatorHiddenOnFailure() : m_exceptions(std::uncaught_exceptions()) {}
    ~BusyIndicatorHiddenOnFailure()
    {
        if (std::uncaught_exceptions() > m_exceptions)
            DeactiveShowAvi();
    }
    BusyIndicatorHiddenOnFailure(const BusyIndicatorHiddenOnFailure &) = delete;
    BusyIndicatorHiddenOnFailure &operator=(const BusyIndicatorHiddenOnFailure &) = delete;

private:
    int m_exceptions;
};
