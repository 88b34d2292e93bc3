#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class QTcpSocket;

// Watches one connection of the HTTP port before Qt's HTTP server reads it: a request whose
// headers grow past HeaderLimit, whose announced body is over the body limit, or that is sent
// in chunks (no length to judge) is answered here with its problem and the connection closed,
// so that no oversized body is ever held in memory. A connection idle for the idle time, or
// whose request does not arrive whole within the request time, is closed. Its bytes are only
// peeked at: Qt's server reads them as if nothing stood between.
class RequestGuard : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype HeaderLimit = 64 * 1024;

    struct Limits
    {
        qint64 bodyBytes;
        int idleMs;    // 0: never
        int requestMs; // from a request's first byte to its last
    };

    // Watches the socket (a child of it from now on); connected before Qt's own readers.
    static void attach(QTcpSocket *socket, const Limits &limits);
    // An answer written straight to a socket that is closed after it: for what is refused
    // before any request is read (the connection limit).
    static void refuse(QTcpSocket *socket, int status, const QString &detail);

private:
    RequestGuard(QTcpSocket *socket, const Limits &limits);
    void bytesArrived();
    bool scan(const QByteArray &bytes); // false once the request has been refused
    bool headersEnded();
    void refuseRequest(int status, const QString &detail);

    QTcpSocket *m_socket;
    Limits m_limits;
    QByteArray m_head;     // the headers of the request under way
    qint64 m_bodyLeft = 0; // bytes of its body still to come
    bool m_inBody = false;
    bool m_refused = false;
    QTimer m_idle;
    QTimer m_request;
};
