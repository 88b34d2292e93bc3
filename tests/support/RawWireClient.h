#pragma once

#include "WireProtocol.h"

#include <QByteArray>
#include <QTcpSocket>
#include <optional>

// A bare socket speaking the wire protocol, for sending what a well-behaved client never
// would: broken frames, malformed CBOR, oversize lengths, wrong arguments.
class RawWireClient
{
public:
    bool connectTo(const QString &host, quint16 port, int timeoutMs = 5000);
    void close() { m_socket.abort(); }
    // Joins the session of the access on this connection, as a client does first; true when
    // the server took it.
    bool resume(const QString &sessionToken);
    void sendBytes(const QByteArray &bytes);        // exactly these bytes
    void sendItem(const QByteArray &cborItem);      // framed
    void sendRequest(const wire::Request &request); // encoded and framed
    // The next reply; nullopt when the connection closed or the time ran out first.
    std::optional<wire::Reply> readReply(int timeoutMs = 10000);
    // True when the server closed the connection within the time.
    bool waitClosed(int timeoutMs = 10000);

private:
    QTcpSocket m_socket;
    wire::FrameReader m_reader;
};
