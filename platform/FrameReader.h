#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace wire {

// The largest frame either side accepts.
constexpr quint32 MaxFrameBytes = 256 * 1024 * 1024 + 4096;

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

} // namespace wire
