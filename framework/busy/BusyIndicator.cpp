#include "BusyIndicator.h"

#include "BusyWindow.h"
#include "TApplication.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>

// --- the indicator ---------------------------------------------------------------------------
//
// Its state (shown, kind, text) changes at once, as every caller and rule reads it; the window
// follows only once the indicator has been on for BusyWindow::ShowAfterMs. Calls block the GUI
// thread, so two things bring it up: the window's own timer when the event loop turns (a
// nested loop, or a caller that returns to the loop with the indicator still on), and the
// network wait of a call, which runs the connections' waiting handler between its slices.

namespace {
struct Busy {
    QPointer<BusyWindow> window;
    BusyIndicatorState state;
    QElapsedTimer since; // since the indicator went on
    int aside = 0;       // dialogs open that the window steps aside for
};
Busy &busy()
{
    static Busy instance;
    return instance;
}

void showIfDue()
{
    // Calls made in the background wait too; only the GUI thread may touch the window.
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    Busy &b = busy();
    if (!b.state.shown || !b.window || b.aside > 0 || b.window->isVisible())
        return;
    if (!b.since.isValid() || b.since.elapsed() < BusyWindow::ShowAfterMs)
        return;
    b.window->showText(b.state.kind, b.state.text);
}

// Armed again for what is left of the delay (nothing, when it has passed).
void armForRest(Busy &b)
{
    b.window->arm(BusyWindow::ShowAfterMs - int(qMin<qint64>(b.since.elapsed(), BusyWindow::ShowAfterMs)));
}

// The timer's turn; one that comes a little early waits for the rest.
void onDue()
{
    Busy &b = busy();
    if (b.state.shown && b.window && b.aside == 0 && b.since.isValid() &&
        b.since.elapsed() < BusyWindow::ShowAfterMs) {
        armForRest(b);
        return;
    }
    showIfDue();
}

[[maybe_unused]] const bool slowCallsShowTheWindow = [] {
    TNetConnection::SetWaitingHandler(&showIfDue);
    return true;
}();
} // namespace

void ActiveShowAvi(QWidget *mainForm, int kind, const QString &text)
{
    Busy &b = busy();
    if (!mainForm)
        mainForm = TApplication::MainForm();
    if (b.window && b.window->parentWidget() != mainForm) {
        delete b.window;
        b.window = nullptr;
    }
    if (!b.window) {
        b.window = new BusyWindow(mainForm);
        QObject::connect(b.window, &BusyWindow::due, b.window, &onDue);
    }
    b.state.shown = true;
    b.state.kind = kind;
    b.state.text = text;
    if (b.window->isVisible()) {
        // Already up through a long call: the person watching sees the new text at once.
        b.window->showText(kind, text);
        return;
    }
    b.since.start();
    if (b.aside == 0)
        b.window->arm(BusyWindow::ShowAfterMs);
}

void DeactiveShowAvi()
{
    Busy &b = busy();
    if (!b.state.shown)
        return;
    if (b.window) {
        b.window->disarm();
        b.window->hide();
    }
    b.state.shown = false;
}

BusyIndicatorState BusyIndicator()
{
    Busy &b = busy();
    // The owner may have gone (and taken the window with it) while the indicator showed.
    if (b.state.shown && !b.window)
        b.state.shown = false;
    return b.state;
}

BusyIndicatorAside::BusyIndicatorAside()
{
    Busy &b = busy();
    ++b.aside;
    m_wasVisible = b.window && b.window->isVisible();
    if (b.window) {
        b.window->disarm(); // the dialog's own event loop would otherwise bring it up over it
        b.window->hide();
    }
}

BusyIndicatorAside::~BusyIndicatorAside()
{
    Busy &b = busy();
    --b.aside;
    if (b.aside > 0 || !b.state.shown || !b.window)
        return;
    if (m_wasVisible)
        b.window->showText(b.state.kind, b.state.text);
    else
        armForRest(b);
}

// --- screen cursor --------------------------------------------------------------------------

namespace {
int &screenCursor()
{
    static int cursor = crDefault;
    return cursor;
}
} // namespace

void SetScreenCursor(int cursor)
{
    int &current = screenCursor();
    if (cursor == current)
        return;
    // Exactly one override of ours is on the stack while the cursor is not the default.
    if (current != crDefault)
        QGuiApplication::restoreOverrideCursor();
    if (cursor == crHourGlass)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (cursor != crDefault)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    current = cursor;
}
