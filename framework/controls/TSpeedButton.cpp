#include "TSpeedButton.h"

#include "EventBoundary.h"

#include <QIcon>
#include <QImage>

TSpeedButton::TSpeedButton(QWidget *parent, const QString &name, const QString &hint)
    : QToolButton(parent)
{
    setObjectName(name);
    setToolTip(hint);
    setText(hint);
    setAutoRaise(true);
    // A toolbar button must not take the focus away from the grid and its open editor.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick)
            EventBoundary::run([this] { OnClick(this); });
    });
}

void TSpeedButton::SetImage(const QPixmap &image)
{
    setIcon(iconOf(image));
}

QIcon TSpeedButton::iconOf(const QPixmap &image)
{
    // Qt's own disabled look of a coloured picture can pass for an enabled one: the disabled
    // picture is the same image in grey, faded to a third.
    QImage grey = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int gray = qGray(line[x]);
            const int lifted = 128 + gray / 2;
            line[x] = qRgba(lifted, lifted, lifted, qAlpha(line[x]) / 3);
        }
    }
    QIcon icon;
    icon.addPixmap(image, QIcon::Normal);
    icon.addPixmap(image, QIcon::Active);
    icon.addPixmap(QPixmap::fromImage(grey), QIcon::Disabled);
    return icon;
}

void TSpeedButton::SetHint(const QString &hint, const QKeySequence &key)
{
    setText(hint);
    setToolTip(key.isEmpty() ? hint
                             : QStringLiteral("%1 (%2)").arg(hint, key.toString(QKeySequence::NativeText)));
}

void TSpeedButton::Click()
{
    if (isEnabled())
        click();
}
