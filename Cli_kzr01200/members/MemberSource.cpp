#include "MemberSource.h"

#include "ServerFailure.h"
#include "Services.h"

MemberSource::MemberSource(QObject *parent) : QObject(parent)
{
    connect(&m_caller, &BackgroundCaller::started, this, [this](quint64 ticket) {
        if (ticket == m_ticket) m_clock.start();
    });
    connect(&m_caller, &BackgroundCaller::answered, this, &MemberSource::answered);
    connect(&m_caller, &BackgroundCaller::failed, this, [this](quint64 ticket, const QString &why) {
        if (ticket != m_ticket) return;
        m_ticket = 0;
        const quint64 request = m_asked ? m_asked->request : 0;
        m_asked.reset();
        emit failed(request, why);
        askNext();
    });
}

void MemberSource::setDimension(const std::optional<Dimension> &dimension)
{
    m_caller.cancel();
    m_ticket = 0;
    m_asked.reset();
    m_waiting.clear();
    m_dimension = dimension;
}

void MemberSource::page(quint64 request, const std::optional<QString> &parentKey,
                        const std::optional<QString> &after)
{
    if (!m_dimension) return;
    const auto orNull = [](const std::optional<QString> &v) {
        return v ? Variant(*v) : Variant::Null();
    };
    m_waiting.removeIf([request](const Question &q) { return !q.isSearch && q.request == request; });
    m_waiting.push_back(
        {false,
         request,
         {m_dimension->table, m_dimension->key, m_dimension->attribute, m_dimension->parent,
          orNull(parentKey), orNull(after), Variant(PageSize)}});
    askNext();
}

void MemberSource::search(const QString &text)
{
    if (!m_dimension) return;
    // A newer search makes an older one that has not gone out pointless.
    m_waiting.removeIf([](const Question &q) { return q.isSearch; });
    m_waiting.push_back({true,
                         0,
                         {m_dimension->table, m_dimension->key, m_dimension->attribute,
                          m_dimension->parent, text, Variant(PageSize)}});
    askNext();
}

void MemberSource::askNext()
{
    if (m_asked || m_waiting.isEmpty()) return;
    m_asked = m_waiting.takeFirst();
    BackgroundCaller::Request request;
    request.host = WebURL();
    request.port = WebPort();
    request.access = WebAccess();
    request.module = QStringLiteral("KZR01200.rdmAnalise");
    request.method =
        m_asked->isSearch ? QStringLiteral("procuraMembros") : QStringLiteral("getMembros");
    request.args = m_asked->args;
    m_clock.start();
    m_ticket = m_caller.call(std::move(request));
}

void MemberSource::answered(quint64 ticket, const Variant &reply)
{
    if (ticket != m_ticket || !m_asked) return;
    const Question question = *m_asked;
    const qint64 elapsed = m_clock.elapsed();
    m_ticket = 0;
    m_asked.reset();
    if (server_failure::is(reply))
        emit failed(question.request, server_failure::message(reply));
    else if (reply.kind() != Variant::Kind::Bytes)
        emit failed(question.request, QStringLiteral("a tabela ou os campos da dimensão não são aceitos (%1)")
                        .arg(reply.isArray() && reply.length() > 0 ? reply.element(0).toString()
                                                                   : QString()));
    else {
        try {
            const packet::Packet packet = packet::fromVariant(reply);
            if (question.isSearch)
                emit searchArrived(packet);
            else
                emit pageArrived(question.request, packet, elapsed);
        } catch (const Exception &e) {
            emit failed(question.request, e.Message());
        }
    }
    askNext();
}
