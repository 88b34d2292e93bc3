#include "FocusReturn.h"

#include <QApplication>

FocusReturn::FocusReturn()
    : m_window(QApplication::activeWindow()), m_control(QApplication::focusWidget())
{
    if (!m_window && m_control)
        m_window = m_control->window();
}

FocusReturn::~FocusReturn()
{
    // A dialog opened over another dialog returns to that one; a window closed meanwhile is
    // left alone.
    if (!m_window || !m_window->isVisible() || QApplication::activeModalWidget() != nullptr &&
                                                   QApplication::activeModalWidget() != m_window)
        return;
    m_window->activateWindow();
    m_window->raise();
    if (m_control && m_control->isVisible() && m_control->isEnabled() && m_control->window() == m_window)
        m_control->setFocus(Qt::ActiveWindowFocusReason);
}
