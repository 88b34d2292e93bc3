#include "EarlyKeysIgnored.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <new>

namespace {

// After the box: held keys stop repeating into the window below until one is let go, or for
// a moment at most.
class RepeatsAfterBoxIgnored : public QObject
{
public:
    RepeatsAfterBoxIgnored()
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { deleteLater(); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->isAutoRepeat())
                return true;
            if (event->type() == QEvent::KeyRelease)
                deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }
};

bool isKey(const QEvent *event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
           event->type() == QEvent::ShortcutOverride;
}

} // namespace

EarlyKeysIgnored::EarlyKeysIgnored(QWidget *box) : m_box(box)
{
    m_shown.start();
    qApp->installEventFilter(this);
}

EarlyKeysIgnored::~EarlyKeysIgnored()
{
    try {
        new RepeatsAfterBoxIgnored; // deletes itself
    } catch (const std::bad_alloc &) {
        // Out of memory: a held key may repeat into the window below, nothing worse.
    }
}

bool EarlyKeysIgnored::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (isKey(event) && m_box && widget && widget->window() == m_box) {
        const bool early = m_shown.elapsed() < graceMilliseconds;
        if (early || static_cast<QKeyEvent *>(event)->isAutoRepeat())
            return true;
    }
    return QObject::eventFilter(watched, event);
}
