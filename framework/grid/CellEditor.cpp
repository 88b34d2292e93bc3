#include "CellEditor.h"

#include <QToolButton>
#include <QToolTip>

CellEditor::CellEditor(QWidget *parent, bool ellipsis) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("CellEditor"));
    setFrame(false);
    if (!ellipsis)
        return;
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("EllipsisButton"));
    m_button->setText(QString(QChar(0x2026)));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    connect(m_button, &QToolButton::clicked, this, &CellEditor::ellipsisClicked);
}

void CellEditor::setCharacterLimit(int limit)
{
    const QString words = QStringLiteral("No máximo %1 caracteres.").arg(limit);
    setToolTip(words);
    connect(this, &QLineEdit::inputRejected, this,
            [this, words] { QToolTip::showText(mapToGlobal(QPoint(0, height())), words, this); });
}

void CellEditor::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    if (!m_button)
        return;
    const int side = height();
    m_button->setGeometry(width() - side, 0, side, side);
    setTextMargins(0, 0, side, 0);
}
