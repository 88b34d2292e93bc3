#include "TMenuItem.h"

#include "EventBoundary.h"

#include <QWidget>

TMenuItem::TMenuItem(QObject *owner, const QString &name, const QString &caption)
    : QObject(owner), m_action(new QAction(caption, this))
{
    setObjectName(name);
    m_action->setObjectName(name);
    connect(m_action, &QAction::triggered, this, [this] { Click(); });
}

QString TMenuItem::Caption() const { return m_action->text(); }
void TMenuItem::SetCaption(const QString &caption) { m_action->setText(caption); }
bool TMenuItem::Enabled() const { return m_action->isEnabled(); }
void TMenuItem::SetEnabled(bool on) { m_action->setEnabled(on); }
bool TMenuItem::Checked() const { return m_action->isChecked(); }

void TMenuItem::SetChecked(bool on)
{
    // A checked item shows its mark only when the action is checkable.
    m_action->setCheckable(m_action->isCheckable() || on);
    m_action->setChecked(on);
}

bool TMenuItem::Visible() const { return m_action->isVisible(); }
void TMenuItem::SetVisible(bool on) { m_action->setVisible(on); }

QKeySequence TMenuItem::ShortCut() const { return m_action->shortcut(); }

void TMenuItem::SetShortCut(const QKeySequence &key, QWidget *widget)
{
    m_action->setShortcut(key);
    m_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (widget && !widget->actions().contains(m_action))
        widget->addAction(m_action);
}

void TMenuItem::Click()
{
    // A disabled item does nothing, whoever clicks it.
    if (!m_action->isEnabled() || !OnClick)
        return;
    EventBoundary::run([this] {
        if (BeforeClick)
            BeforeClick();
        OnClick(this);
    });
}
