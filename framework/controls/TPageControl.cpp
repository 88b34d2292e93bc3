#include "TPageControl.h"

#include "EventBoundary.h"
#include "TTabSheet.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QTabBar>
#include <algorithm>

TPageControl::TPageControl(QWidget *parent, const QString &name) : QTabWidget(parent)
{
    setObjectName(name);
    tabBar()->installEventFilter(this);
    // Shortcuts rather than key presses: the grid with the keyboard would take Ctrl+PageDown as
    // its own page move, and the host's window area Ctrl+Tab as a window change.
    const std::pair<QKeySequence, int> moves[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},      {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_Backtab), -1}, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto &[keys, step] : moves) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step = step] { SelectNeighbourSheet(step); });
    }
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

void TPageControl::SelectNeighbourSheet(int step)
{
    int index = currentIndex();
    for (int tried = 1; tried < count(); ++tried) {
        index = (index + step + count()) % count();
        if (isTabEnabled(index))
            break;
    }
    if (index == currentIndex() || !isTabEnabled(index) || !leaveAllowed())
        return;
    setCurrentIndex(index);
    // The keyboard goes with the sheet: to its list (a scroll area around it would take the
    // focus first, and do nothing with it), else to its first control that takes the focus by Tab.
    QWidget *sheet = widget(index);
    const auto takes = [sheet](const QWidget *control) {
        return (control->focusPolicy() & Qt::TabFocus) && control->isVisibleTo(sheet) && control->isEnabled();
    };
    const QList<QAbstractItemView *> lists = sheet->findChildren<QAbstractItemView *>();
    const auto list = std::find_if(lists.cbegin(), lists.cend(), takes);
    const QList<QWidget *> controls = sheet->findChildren<QWidget *>();
    const auto control = std::find_if(controls.cbegin(), controls.cend(), takes);
    if (list != lists.cend())
        (*list)->setFocus(Qt::TabFocusReason);
    else if (control != controls.cend())
        (*control)->setFocus(Qt::TabFocusReason);
}

void TPageControl::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (event->modifiers() & Qt::ControlModifier) {
        const int step = key == Qt::Key_Tab || key == Qt::Key_PageDown ? 1
                         : key == Qt::Key_Backtab || key == Qt::Key_PageUp ? -1 : 0;
        if (step != 0) {
            SelectNeighbourSheet(step);
            event->accept();
            return;
        }
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
