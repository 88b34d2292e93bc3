#pragma once

#include <QString>

class QWidget;

// The busy indicator: a small window with a text over the main form. Kind 6 while receiving
// or validating, 1 while sending. Deactivate when nothing shows does nothing. The state below
// changes at once; the window itself comes up only when the indicator stays on long enough for
// a person to notice (BusyWindow::ShowAfterMs), during a call's wait for the server included.
void ActiveShowAvi(QWidget *mainForm, int kind, const QString &text);
void DeactiveShowAvi();
struct BusyIndicatorState {
    bool shown = false;
    int kind = 0;
    QString text;
};
BusyIndicatorState BusyIndicator();
