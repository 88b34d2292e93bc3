#include "TPageControl.h"

#include "EventBoundary.h"
#include "TTabSheet.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

TPageControl::TPageControl(QWidget *parent, const QString &name) : QTabWidget(parent)
{
    setObjectName(name);
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (!m_silent && OnChange)
            EventBoundary::run([this] { OnChange(this); });
    });
}

TTabSheet *TPageControl::ActivePage() const
{
    return qobject_cast<TTabSheet *>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet *sheet)
{
    m_silent = true;
    setCurrentWidget(sheet);
    m_silent = false;
}

int TPageControl::PageCount() const { return count(); }

TTabSheet *TPageControl::Pages(int index) const
{
    return qobject_cast<TTabSheet *>(widget(index));
}

bool TPageControl::leaveAllowed()
{
    return !OnChanging || EventBoundary::attempt([this] { OnChanging(this); });
}

void TPageControl::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+Tab and Ctrl+PageUp/PageDown change the sheet from anywhere in the control.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (ctrl && (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_PageUp || key == Qt::Key_PageDown) &&
        count() > 1 && !leaveAllowed()) {
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}

bool TPageControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tabBar() && event->type() == QEvent::KeyPress && OnChanging) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool moves = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                           key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End;
        if (moves && count() > 1 && !leaveAllowed())
            return true;
    }
    // The tab bar changes the page on a press; the sheet being left gets its say first.
    if (watched == tabBar() && event->type() == QEvent::MouseButtonPress && OnChanging) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = tabBar()->tabAt(mouse->position().toPoint());
        if (index >= 0 && index != currentIndex() && isTabEnabled(index) && !leaveAllowed())
            return true;
    }
    return QTabWidget::eventFilter(watched, event);
}
