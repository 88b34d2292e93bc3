#pragma once

#include "WireProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>

class QTcpSocket;

// One client's socket, on the server's network thread: cuts the byte stream into request
// frames and hands them on one at a time, so that replies leave in the order the requests
// came. An oversize frame or a flood of pipelined requests gets a fault and the connection
// is closed; everyone else goes on being served.
class ClientConnection : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxQueuedRequests = 64;

    ClientConnection(quint64 id, QTcpSocket *socket, QObject *parent = nullptr);

    quint64 id() const { return m_id; }
    void deliver(const QByteArray &replyItem); // the reply to the request handed on last

signals:
    void requestReady(quint64 connectionId, const QByteArray &requestItem);
    void closed(quint64 connectionId);

private:
    void readIncoming();
    void pump();
    void failAndClose(const QString &text);

    quint64 m_id;
    QTcpSocket *m_socket;
    wire::FrameReader m_reader;
    QQueue<QByteArray> m_waiting;
    bool m_inFlight = false;
    QString m_fatal; // set once the connection is to be closed after the replies owed
};
