#pragma once

#include "BackgroundCaller.h"
#include "DataPacket.h"

#include <QElapsedTimer>
#include <QList>
#include <optional>

// The members of one dimension as "KZR01200.rdmAnalise" gives them (getMembros, procuraMembros),
// asked in the background one question at a time, in the order asked: a tree opening several
// branches at once waits for nothing but gets every page. Changing the dimension forgets every
// question and answer of the one before.
class MemberSource : public QObject
{
    Q_OBJECT
public:
    // A dimension as stored: table, key, main attribute, self-relationship (empty: flat).
    struct Dimension
    {
        QString table, key, attribute, parent;
        bool operator==(const Dimension &) const = default;
    };
    // Keys a page asks for: a screenful or two, so that the first rows show at once.
    static constexpr int PageSize = 200;

    explicit MemberSource(QObject *parent = nullptr);

    void setDimension(const std::optional<Dimension> &dimension);
    const std::optional<Dimension> &dimension() const { return m_dimension; }

    // `request` comes back with the page: the asker's own mark of where it goes. Asking again
    // for a request still waiting replaces that question.
    void page(quint64 request, const std::optional<QString> &parentKey,
              const std::optional<QString> &after);
    void search(const QString &text);

signals:
    // The page's packet (CDMEMBRO, NMMEMBRO, CDPAI, QTFILHOS, IDSITUACAO) and how long the
    // server took to answer it.
    void pageArrived(quint64 request, const packet::Packet &page, qint64 elapsedMs);
    // CDMEMBRO, NMMEMBRO, CDPAI, CAMINHO.
    void searchArrived(const packet::Packet &found);
    // A question that could not be answered (`request` as page() got it; 0 for a search);
    // what was asked after it is still asked.
    void failed(quint64 request, const QString &message);

private:
    struct Question
    {
        bool isSearch = false;
        quint64 request = 0;
        QList<Variant> args;
    };
    void askNext();
    void answered(quint64 ticket, const Variant &reply);

    BackgroundCaller m_caller;
    std::optional<Dimension> m_dimension;
    QList<Question> m_waiting;
    std::optional<Question> m_asked;
    quint64 m_ticket = 0;
    QElapsedTimer m_clock;
};
