#pragma once

#include "Variant.h"

#include <QByteArray>
#include <QCborMap>
#include <QString>
#include <optional>

class QIODevice;

// Frames on the wire: a 4-byte big-endian length, then one CBOR item of that many bytes.
namespace wire {

constexpr quint32 MaxFrameBytes = 256 * 1024 * 1024 + 4096;
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
};

QByteArray frame(const QByteArray &cborItem); // prefixes the length

// Accumulates bytes and yields whole frames. A frame longer than the limit is an error: the
// reader then stays failed, and the caller drops the connection after a fault reply.
//
// A reader that must account for what it holds takes no more than wanted() bytes at a time:
// it then never holds more than the header and the one frame it announces.
class FrameReader
{
public:
    explicit FrameReader(quint32 maxFrameBytes = MaxFrameBytes) : m_max(maxFrameBytes) {}
    void append(const QByteArray &bytes);
    std::optional<QByteArray> next(); // the next complete CBOR item, if any
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }

    // The length of the frame under way, once its header is in and has been found valid.
    std::optional<quint32> announcedLength() const;
    qint64 wanted() const; // bytes to the end of the header or of the frame under way
    qint64 buffered() const { return m_buffer.size(); }

private:
    bool checkHeader(); // false (and failed) for a length of 0 or over the limit
    QByteArray m_buffer;
    quint32 m_max;
    bool m_failed = false;
    QString m_error;
};

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
