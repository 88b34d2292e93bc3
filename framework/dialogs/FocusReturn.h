#pragma once

#include <QPointer>
#include <QWidget>

// Gives the keyboard back, when a dialog closes, to the window and the control that had it when
// the dialog opened. Without a window manager nobody else does: the window would stay inactive,
// its shortcuts dead, while typed keys still reached the control.
class FocusReturn
{
public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_control;
};
