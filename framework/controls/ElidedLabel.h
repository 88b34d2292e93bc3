#pragma once

#include <QLabel>

// A one-line label that never widens its window: a text too long for it is cut with "…" (its
// tooltip is where the whole of it is said).
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
