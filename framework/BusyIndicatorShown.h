#pragma once

#include "Services.h"
#include "TApplication.h"

// Shows the busy indicator over the main form for as long as it lives; hide() ends the
// showing early (some call sites hide it before they judge the reply). The indicator is
// hidden on every way out, failures included.
class BusyIndicatorShown
{
public:
    BusyIndicatorShown(int kind, const QString &text) { ActiveShowAvi(TApplication::MainForm(), kind, text); }
    ~BusyIndicatorShown() { hide(); }
    void hide()
    {
        if (m_shown) {
            m_shown = false;
            DeactiveShowAvi();
        }
    }
    BusyIndicatorShown(const BusyIndicatorShown &) = delete;
    BusyIndicatorShown &operator=(const BusyIndicatorShown &) = delete;

private:
    bool m_shown = true;
};

// Busy indicator kinds.
constexpr int busyReceiving = 6;   // receiving or validating
constexpr int busySending = 1;
