#pragma once

#include <QObject>

// The bytes of replies that clients have not read yet, all connections together: what each
// socket holds because the kernel would take no more. Past the total, a connection that leaves
// replies unread is served nothing further until it has read them all (or is dropped at its
// write-stall limit), while connections that read go on being served; so slow readers together
// hold about the total, plus at most one reply each. On the network thread only.
class OutputBudget : public QObject
{
    Q_OBJECT
public:
    explicit OutputBudget(qint64 totalBytes, QObject *parent = nullptr)
        : QObject(parent), m_total(totalBytes)
    {
    }

    // A connection's unread bytes went from `before` to `now`.
    void change(qint64 before, qint64 now);
    bool spent() const { return m_held > m_total; }
    qint64 held() const { return m_held; }

signals:
    void roomAgain(); // no longer spent: connections held back may be served

private:
    qint64 m_total;
    qint64 m_held = 0;
};
