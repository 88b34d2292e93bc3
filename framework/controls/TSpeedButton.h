#pragma once

#include <QIcon>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <QToolButton>
#include <functional>

// A toolbar control; SetEnabled/Enabled are its own, the screen copies them from menu items.
class TSpeedButton : public QToolButton
{
    Q_OBJECT
public:
    TSpeedButton(QWidget *parent, const QString &name, const QString &hint);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }
    // The picture, with a disabled look made from the same image that no one takes for enabled.
    void SetImage(const QPixmap &image);
    // The icon SetImage gives, for whoever keeps one to hand to several buttons.
    static QIcon iconOf(const QPixmap &image);
    // The tooltip: the hint, with the key that does the same when there is one.
    void SetHint(const QString &hint, const QKeySequence &key = {});
    void Click();                                    // as a user click
    std::function<void(QObject *sender)> OnClick;
};
