#pragma once

#include "ReplyOutlet.h"

#include <QByteArray>
#include <memory>

class InputBudget;

// The way for a worker to write the reply to one request itself: the connection's outlet (its
// descriptor stays open while the worker holds it) and the request's share of the input
// budget, given back when the reply has been sent or handed on. Only for a plain socket with
// nothing else to write: the reply is then the next thing on the wire. Saves the network
// thread a wake-up per request.
class DirectReply
{
public:
    // A reply of this size or more goes through the connection, which hands its memory back.
    static constexpr qsizetype LargeReplyBytes = 1024 * 1024;

    DirectReply(qint64 share, InputBudget &budget, std::shared_ptr<ReplyOutlet> outlet);
    ~DirectReply();
    DirectReply(const DirectReply &) = delete;
    DirectReply &operator=(const DirectReply &) = delete;

    // Sends what the kernel takes at once of a small reply: the bytes sent, all or a part
    // (the rest is the connection's to write) or none.
    qint64 send(const QByteArray &replyFrame);
    // After the whole reply was sent: true when the connection is to be told now, otherwise
    // it finds out by itself the next time it looks.
    bool answered();
    void giveBackShare(); // the reply has been sent or handed on
    const std::shared_ptr<ReplyOutlet> &outlet() const { return m_outlet; }

private:
    qint64 m_share;
    InputBudget &m_budget;
    std::shared_ptr<ReplyOutlet> m_outlet;
};
