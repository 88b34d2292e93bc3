#pragma once

#include <QString>

#include <exception>

class QWidget;

// The busy indicator: a small window with a text over the main form. Kind 6 while receiving
// or validating, 1 while sending. Deactivate when nothing shows does nothing. The state below
// changes at once; the window itself comes up only when the indicator stays on long enough for
// a person to notice (BusyWindow::ShowAfterMs), during a call's wait for the server included.
// A null main form stands for the host's (TApplication::MainForm).
void ActiveShowAvi(QWidget *mainForm, int kind, const QString &text);
void DeactiveShowAvi();
struct BusyIndicatorState {
    bool shown = false;
    int kind = 0;
    QString text;
};
BusyIndicatorState BusyIndicator();

// Busy indicator kinds.
constexpr int busyReceiving = 6;   // receiving or validating
constexpr int busySending = 1;

// The screen cursor: the application's override cursor while it is not crDefault.
constexpr int crDefault = 0;
constexpr int crHourGlass = -11;
void SetScreenCursor(int cursor);

// Shows the busy indicator over the main form for as long as it lives; hide() ends the
// showing early (some call sites hide it before they judge the reply). The indicator is
// hidden on every way out, failures included.
class BusyIndicatorShown
{
public:
    BusyIndicatorShown(int kind, const QString &text) { ActiveShowAvi(nullptr, kind, text); }
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

// The hourglass for as long as it lives; the default cursor on every way out.
class HourGlassCursor
{
public:
    HourGlassCursor() { SetScreenCursor(crHourGlass); }
    ~HourGlassCursor() { SetScreenCursor(crDefault); }
    HourGlassCursor(const HourGlassCursor &) = delete;
    HourGlassCursor &operator=(const HourGlassCursor &) = delete;
};
