#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

// While a message box is up, keys typed for what was under it must not answer it: the keys of
// its first moments (typing that went on before the user saw the box) and every auto-repeat
// (a held key) are dropped. After it closes, a key still held does not repeat into the window
// below until it has been let go.
class EarlyKeysIgnored : public QObject
{
    Q_OBJECT
public:
    explicit EarlyKeysIgnored(QWidget *box);
    ~EarlyKeysIgnored() override;
    EarlyKeysIgnored(const EarlyKeysIgnored &) = delete;
    EarlyKeysIgnored &operator=(const EarlyKeysIgnored &) = delete;
    static constexpr int graceMilliseconds = 600;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_box;
    QElapsedTimer m_shown;
};
