#pragma once

#include "FrameReader.h"
#include "Variant.h"

#include <QByteArray>
#include <QCborMap>
#include <QString>
#include <optional>

class QIODevice;

// Frames on the wire: a 4-byte big-endian length, then one CBOR item of that many bytes.
namespace wire {

constexpr quint16 DefaultPort = 21201;

struct Request
{
    QString module;
    QString method;
    QList<Variant> args;
};

struct Reply
{
    Variant result;
    // By-reference arguments as the server left them: index into args -> value.
    QList<std::pair<int, Variant>> byRef;
    std::optional<QString> fault; // the call itself could not be made
    // The server is stopping: the request this answers, if any, was not run, and the server
    // closes the connection. Sent alone, also unasked to a connection with no request under way.
    std::optional<QString> stopping;
};

QByteArray frame(const QByteArray &cborItem); // prefixes the length

// What a socket's kernel buffer takes at once of the bytes, without waiting: the count sent,
// 0 for none or a failure (left for the socket's owner to find and name). Always 0 where
// sockets are no Unix descriptors.
qint64 sendWithoutWaiting(qintptr descriptor, const QByteArray &bytes);

QByteArray encodeRequest(const Request &request);
// The request as a whole frame, written straight into it with no tree of its values.
QByteArray encodeRequestFrame(const Request &request);
Request decodeRequest(const QByteArray &cborItem); // EConnectionError on a malformed request
QByteArray encodeReply(const Reply &reply);
// The reply as a whole frame, written straight into it: a large result is held once more
// than itself, not three times over (a tree of the reply, its encoding and the frame).
QByteArray encodeReplyFrame(const Reply &reply);
// EConnectionError on a malformed reply. A reply whose result is bytes takes the item's own
// buffer when the item is not shared, so a list is not copied again.
Reply decodeReply(QByteArray cborItem);

} // namespace wire
