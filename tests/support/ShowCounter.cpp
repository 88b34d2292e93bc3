#include "ShowCounter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

ShowCounter::ShowCounter(QString objectName) : m_objectName(std::move(objectName))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool ShowCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        watched->objectName() == m_objectName)
        ++m_count;
    return false;
}
