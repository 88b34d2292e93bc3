#include "BusyWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>

BusyWindow::BusyWindow(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_label(new QLabel(this)), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("BusyWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // An endless bar stands for the animation; it moves whenever the event loop gets a turn.
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(64);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_bar);
    layout->addWidget(m_label);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("BusyWindow { border: 1px solid palette(dark); }"));
    m_due.setSingleShot(true);
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, &BusyWindow::due);
}

void BusyWindow::showText(int kind, const QString &text)
{
    // Kind 1 (sending) and 6 (receiving, validating) differ only in their icon's direction.
    const QStyle::StandardPixmap icon = kind == 1 ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown;
    setWindowIcon(style()->standardIcon(icon));
    m_label->setText(text);
    adjustSize();
    QRect area;
    if (QWidget *owner = parentWidget(); owner && owner->isVisible())
        area = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    else if (QScreen *screen = this->screen())
        area = screen->availableGeometry();
    move(area.center() - rect().center());
    show();
    raise();
    repaint();
}

QString BusyWindow::text() const
{
    return m_label->text();
}

void BusyWindow::arm(int ms)
{
    m_due.start(qMax(0, ms));
}
