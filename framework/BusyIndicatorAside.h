#pragma once

// While alive, the busy window steps aside for a modal dialog (it would stay on top of it and
// hide its buttons); it comes back if the indicator still shows then. The indicator's state,
// and so the order of events, does not change.
class BusyIndicatorAside
{
public:
    BusyIndicatorAside();
    ~BusyIndicatorAside();
    BusyIndicatorAside(const BusyIndicatorAside &) = delete;
    BusyIndicatorAside &operator=(const BusyIndicatorAside &) = delete;

private:
    bool m_wasVisible = false;
};
