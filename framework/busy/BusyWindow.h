#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// The small frameless "working" window shown over the main form during server calls.
class BusyWindow : public QWidget
{
    Q_OBJECT
public:
    // A call shorter than this shows no window: a person would only see it flicker, and the
    // window's paint would cost more than the call itself.
    static constexpr int ShowAfterMs = 400;

    explicit BusyWindow(QWidget *owner);
    // Shows the text, centred over the owner (or the screen), and paints at once: the call that
    // follows blocks the event loop.
    void showText(int kind, const QString &text);
    QString text() const;
    // Emits due() after ms, unless disarmed first; the event loop has to turn for it.
    void arm(int ms);
    void disarm() { m_due.stop(); }

signals:
    void due();

private:
    QLabel *m_label;
    QProgressBar *m_bar;
    QTimer m_due;
};
