#pragma once

#include "HostOptions.h"

#include <QHash>
#include <QObject>

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;

// Where the host's window and each screen's window open: as the user last left them, kept in the
// host's settings (a screen's by its code); the first time, the host maximised and a screen
// filling the host's document area. A screen that fills the area goes on filling it while the
// host's window changes size, until the user moves or resizes the screen.
class WindowPlacement : public QObject
{
    Q_OBJECT
public:
    WindowPlacement(const HostOptions &options, QMdiArea *area);

    // Before the host's window is first shown; when it closes.
    void restoreHost(QMainWindow &window) const;
    void rememberHost(const QMainWindow &window) const;
    // A screen's window, placed when first shown and remembered when closed.
    void follow(QMdiSubWindow *frame, const QString &screenCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Screen
    {
        QString code;
        bool placed = false;
        bool fills = false;
    };
    void place(QMdiSubWindow *frame, Screen &screen);
    void fill(QMdiSubWindow *frame);
    void remember(const QMdiSubWindow *frame, const Screen &screen) const;

    HostOptions m_options;
    QWidget *m_viewport; // the area's document space, which the filling screens fill
    QHash<QMdiSubWindow *, Screen> m_screens;
    bool m_placing = false; // geometry set here, not by the user
};
