#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small frameless "working" window shown over the main form during server calls.
class BusyWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BusyWindow(QWidget *owner);
    // Shows the text, centred over the owner (or the screen), and paints at once: the call that
    // follows blocks the event loop.
    void showText(int kind, const QString &text);
    QString text() const;

private:
    QLabel *m_label;
    QProgressBar *m_bar;
};
