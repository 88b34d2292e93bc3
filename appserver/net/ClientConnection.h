#pragma once

#include "ConnectionLimits.h"
#include "DirectReply.h"
#include "WireProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTimer>
#include <chrono>
#include <memory>
#include <mutex>

class InputBudget;
class OutputBudget;
class QSocketNotifier;
class QTcpSocket;
class WorkerPool;

// One client's socket, on the server's network thread: cuts the byte stream into request
// frames and hands them on one at a time, so that replies leave in the order the requests
// came. It holds no more than its limits allow: reading stops while the client leaves its
// replies unread (past its own limit, or at all while the server's output budget is spent) or
// the server's input budget is spent, and a client that stalls past a time
// limit is dropped. An oversize frame or a flood of pipelined requests gets a fault and the
// connection is closed; everyone else goes on being served. A plain connection with nothing
// else to do lends its reading to the workers while a request runs and takes it back with
// whatever they could not take (ReplyOutlet::Reading).
//
// closed() is emitted once, whatever the cause; after it the connection does nothing more and
// its owner may delete it (later, never from inside one of its signals).
class ClientConnection : public QObject
{
    Q_OBJECT
public:
    // pool: where the connection's reading is lent between requests; none, never lent.
    ClientConnection(quint64 id, QTcpSocket *socket, const ConnectionLimits &limits,
                     InputBudget &budget, OutputBudget &unread, std::weak_ptr<WorkerPool> pool = {},
                     QObject *parent = nullptr);
    ~ClientConnection() override;

    quint64 id() const { return m_id; }
    void deliver(const QByteArray &replyFrame); // the reply to the request handed on last
    void answeredDirectly();                    // a worker sent it itself and says so
    // A worker hands the reading back with what it read of the stream (nothing, part of a
    // frame, several frames); with nothing more than that to say.
    void takeBack(const QByteArray &bytesRead);
    // The server is stopping: the request under way is answered, nothing further is run, and
    // the client is told so (wire::Reply::stopping) before the connection closes.
    void stop(const QString &text);

signals:
    // direct: how the worker may answer by itself; null when the reply is to come through
    // deliver().
    void requestReady(quint64 connectionId, const QByteArray &requestItem,
                      const std::shared_ptr<DirectReply> &direct);
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
    // Replies left unread past this connection's limit, or past everyone's while it has some.
    bool unreadOverLimit() const;
    void countUnread(); // tells the output budget what the socket holds now
    void pump();
    void failAndClose(const QString &text);
    qint64 sendAtOnce(const QByteArray &replyFrame);        // bytes the kernel took at once
    std::shared_ptr<DirectReply> directReply(qint64 share); // null when it cannot be
    bool collectAnswered(); // true when a worker had answered the request in flight
    bool waitForAnswer();   // false: answered meanwhile, and collected
    void onBytesWritten();
    void onIdle();
    void close(); // at once, without a word
    void finish();
    void closeOutlet();    // no worker writes to or reads from the socket from now on
    bool lendReading();    // false: it stays here
    bool reclaimReading(); // false: a worker has it now
    qint64 incomingBytes() const;
    QByteArray takeIncoming(qint64 most);
    void giveBackAll();

    quint64 m_id;
    std::unique_ptr<QTcpSocket> m_socket;
    ConnectionLimits m_limits;
    InputBudget &m_budget;
    OutputBudget &m_unread;
    qint64 m_unreadCounted = 0; // of m_unread, this connection's
    bool m_waitingForRoom = false;
    wire::FrameReader m_reader;
    qint64 m_frameShare = 0; // taken for the frame under way
    bool m_waitingForBudget = false;
    QQueue<Request> m_waiting;
    qint64 m_waitingBytes = 0;
    std::optional<Request> m_inFlight;
    QString m_fatal; // set once the connection is to be closed after the replies owed
    QByteArray m_farewell; // sent instead of the fault when the server is stopping
    bool m_faultSent = false;
    bool m_trimWhenWritten = false; // a large reply is under way
    bool m_closed = false;
    bool m_plainSocket = true; // not TLS: replies may go to its descriptor directly
    std::shared_ptr<ReplyOutlet> m_outlet = std::make_shared<ReplyOutlet>();
    std::weak_ptr<WorkerPool> m_pool;
    QPointer<QSocketNotifier> m_readNotifier; // Qt's, of the plain socket; null: never lent
    bool m_lent = false;                      // Qt's notifier is off while the reading is away
    static inline bool s_lendingWorks = true; // for every connection; all on the network thread
    QByteArray m_handedBack; // read by a worker, before anything further of the socket
    std::chrono::steady_clock::time_point m_lastActivity = std::chrono::steady_clock::now();
    QTimer m_frameTimer;
    QTimer m_writeStallTimer;
    QTimer m_idleTimer;
};
