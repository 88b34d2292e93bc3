#include "WindowPlacement.h"

#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>

namespace {
const QString HostKey = QStringLiteral("window/geometry");
QString screenKey(const QString &code)
{
    return QStringLiteral("screens/%1/geometry").arg(code);
}
} // namespace

WindowPlacement::WindowPlacement(const HostOptions &options, QMdiArea *area)
    : QObject(area), m_options(options), m_viewport(area->viewport())
{
    m_viewport->installEventFilter(this);
}

void WindowPlacement::restoreHost(QMainWindow &window) const
{
    if (window.restoreGeometry(m_options.openSettings()->value(HostKey).toByteArray())) return;
    // Maximised by the window manager. Un-maximised, or where no window manager maximises it,
    // it still takes most of the screen, its title bar in sight.
    const QRect screen = window.screen()->availableGeometry();
    const QSize most = screen.size() * 0.8;
    window.setGeometry(QRect(screen.center() - QPoint(most.width(), most.height()) / 2, most));
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::rememberHost(const QMainWindow &window) const
{
    m_options.openSettings()->setValue(HostKey, window.saveGeometry());
}

void WindowPlacement::follow(QMdiSubWindow *frame, const QString &screenCode)
{
    m_screens.insert(frame, {screenCode});
    frame->installEventFilter(this);
    connect(frame, &QObject::destroyed, this, [this, frame] { m_screens.remove(frame); });
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport) {
        if (event->type() == QEvent::Resize) {
            for (auto it = m_screens.begin(); it != m_screens.end(); ++it)
                if (it->fills) fill(it.key());
        }
        return false;
    }
    // A frame being destroyed is a frame no more (its last events come as a plain widget's).
    auto *frame = qobject_cast<QMdiSubWindow *>(watched);
    const auto screen = m_screens.find(frame);
    if (!frame || screen == m_screens.end()) return false;
    switch (event->type()) {
    case QEvent::Show:
        // The screen has set its own bounds by now: the user's, or the whole area, win.
        if (!screen->placed) place(frame, *screen);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (screen->placed && !m_placing) screen->fills = false;
        break;
    case QEvent::Close:
        remember(frame, *screen);
        break;
    default:
        break;
    }
    return false;
}

void WindowPlacement::place(QMdiSubWindow *frame, Screen &screen)
{
    screen.placed = true;
    const QRect left = m_options.openSettings()->value(screenKey(screen.code)).toRect();
    screen.fills = !left.isValid();
    if (screen.fills) {
        fill(frame);
        return;
    }
    m_placing = true;
    frame->setGeometry(left);
    m_placing = false;
}

void WindowPlacement::fill(QMdiSubWindow *frame)
{
    if (frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    m_placing = true;
    frame->setGeometry(m_viewport->rect());
    m_placing = false;
}

void WindowPlacement::remember(const QMdiSubWindow *frame, const Screen &screen) const
{
    const std::unique_ptr<QSettings> settings = m_options.openSettings();
    if (frame->isMinimized()) return; // where it lay before is still the best guess
    if (screen.fills || frame->isMaximized())
        settings->remove(screenKey(screen.code));
    else
        settings->setValue(screenKey(screen.code), frame->geometry());
}
