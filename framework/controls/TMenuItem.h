#pragma once

#include <QAction>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// A menu command; its enabled state is what paired toolbar controls copy.
class TMenuItem : public QObject
{
    Q_OBJECT
public:
    TMenuItem(QObject *owner, const QString &name, const QString &caption);
    QAction *action() const { return m_action; }
    QString Caption() const;
    void SetCaption(const QString &caption);
    bool Enabled() const;
    void SetEnabled(bool on);
    bool Checked() const;
    void SetChecked(bool on);
    bool Visible() const;
    void SetVisible(bool on);
    // The key that runs the item while the focus is inside widget (the form); menus show it.
    QKeySequence ShortCut() const;
    void SetShortCut(const QKeySequence &key, QWidget *widget);
    void Click();                                    // runs OnClick (through the event boundary)
    std::function<void(QObject *sender)> OnClick;
    // Runs first, in the same boundary; a throw stops the click (the form commits its editors).
    std::function<void()> BeforeClick;

private:
    QAction *m_action;
};
