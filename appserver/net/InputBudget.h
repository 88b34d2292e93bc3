#pragma once

#include "DecodeCharge.h"

#include <QObject>
#include <atomic>

// The bytes of incoming frames the server holds at once across all connections: frames being
// received and requests waiting or running. A connection takes a frame's share when the
// frame's header announces its length and gives it back once the request is answered; a
// connection refused a share waits until shares are given back. Shares are taken on the
// network thread; a worker that answers a request itself gives its share back from its own.
// What a worker builds decoding a request counts here too (DecodeCharge), taken on the worker
// and given back when the request is answered: a request refused that is answered with a
// fault, never waits.
class InputBudget : public QObject, public DecodeAccount
{
    Q_OBJECT
public:
    explicit InputBudget(qint64 totalBytes, QObject *parent = nullptr)
        : QObject(parent), m_total(totalBytes)
    {
    }

    bool take(qint64 bytes) override;
    void giveBack(qint64 bytes) override;
    qint64 total() const { return m_total; }

signals:
    void givenBack(); // shares are free again: connections that waited may try again

private:
    qint64 m_total;
    std::atomic<qint64> m_inUse{0};
};
