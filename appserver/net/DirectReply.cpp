#include "DirectReply.h"

#include "InputBudget.h"
#include "WireProtocol.h"

#include <utility>

DirectReply::DirectReply(qint64 share, InputBudget &budget, std::shared_ptr<ReplyOutlet> outlet)
    : m_share(share), m_budget(budget), m_outlet(std::move(outlet))
{
}

DirectReply::~DirectReply()
{
    giveBackShare();
}

void DirectReply::giveBackShare()
{
    m_budget.giveBack(std::exchange(m_share, 0));
}

qint64 DirectReply::send(const QByteArray &replyFrame)
{
    // A large reply goes through the connection, which hands the memory back once it is sent.
    if (replyFrame.size() >= LargeReplyBytes) return 0;
    {
        std::lock_guard lock(m_outlet->mutex);
        if (m_outlet->closed) return 0;
    }
    return wire::sendWithoutWaiting(m_outlet->descriptor, replyFrame);
}

bool DirectReply::answered()
{
    std::lock_guard lock(m_outlet->mutex);
    m_outlet->answered = true;
    m_outlet->answeredAt = std::chrono::steady_clock::now();
    return m_outlet->waitedFor;
}
