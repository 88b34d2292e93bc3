#pragma once

#include "ConnectionLimits.h"
#include "WireProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <memory>

class InputBudget;
class QTcpSocket;

// One client's socket, on the server's network thread: cuts the byte stream into request
// frames and hands them on one at a time, so that replies leave in the order the requests
// came. It holds no more than its limits allow: reading stops while the client leaves its
// replies unread or the server's input budget is spent, and a client that stalls past a time
// limit is dropped. An oversize frame or a flood of pipelined requests gets a fault and the
// connection is closed; everyone else goes on being served.
//
// closed() is emitted once, whatever the cause; after it the connection does nothing more and
// its owner may delete it (later, never from inside one of its signals).
class ClientConnection : public QObject
{
    Q_OBJECT
public:
    ClientConnection(quint64 id, QTcpSocket *socket, const ConnectionLimits &limits,
                     InputBudget &budget, QObject *parent = nullptr);
    ~ClientConnection() override;

    quint64 id() const { return m_id; }
    void deliver(const QByteArray &replyFrame); // the reply to the request handed on last

signals:
    void requestReady(quint64 connectionId, const QByteArray &requestItem);
    void closed(quint64 connectionId);

private:
    struct Request
    {
        QByteArray item;
        qint64 share = 0; // of the input budget
    };

    void readIncoming();
    bool takeShareForFrame(); // false: wait for the budget
    bool readingPaused() const;
    void pump();
    void failAndClose(const QString &text);
    qint64 sendAtOnce(const QByteArray &replyFrame); // bytes the kernel took at once
    void onBytesWritten();
    void onIdle();
    void close(); // at once, without a word
    void finish();
    void giveBackAll();

    quint64 m_id;
    std::unique_ptr<QTcpSocket> m_socket;
    ConnectionLimits m_limits;
    InputBudget &m_budget;
    wire::FrameReader m_reader;
    qint64 m_frameShare = 0; // taken for the frame under way
    bool m_waitingForBudget = false;
    QQueue<Request> m_waiting;
    qint64 m_waitingBytes = 0;
    std::optional<Request> m_inFlight;
    QString m_fatal; // set once the connection is to be closed after the replies owed
    bool m_faultSent = false;
    bool m_trimWhenWritten = false; // a large reply is under way
    bool m_closed = false;
    bool m_plainSocket = true; // not TLS: replies may go to its descriptor directly
    QTimer m_frameTimer;
    QTimer m_writeStallTimer;
    QTimer m_idleTimer;
};
