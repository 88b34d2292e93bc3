#include "FrameReader.h"

#include <QtEndian>
#include <utility>

namespace wire {

void FrameReader::append(const QByteArray &bytes)
{
    if (!m_failed) m_buffer += bytes;
}

bool FrameReader::checkHeader()
{
    if (m_failed) return false;
    if (m_buffer.size() < 4) return true;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length != 0 && length <= m_max) return true;
    m_failed = true;
    m_error = length == 0 ? QStringLiteral("Quadro vazio recebido.")
                          : QStringLiteral("Quadro de %1 bytes excede o limite de %2 bytes.")
                                .arg(length)
                                .arg(m_max);
    m_buffer.clear();
    return false;
}

std::optional<quint32> FrameReader::announcedLength() const
{
    if (m_failed || m_buffer.size() < 4) return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length == 0 || length > m_max) return std::nullopt;
    return length;
}

qint64 FrameReader::wanted() const
{
    if (m_failed) return 0;
    if (m_buffer.size() < 4) return 4 - m_buffer.size();
    const auto length = announcedLength();
    return length ? 4 + qint64(*length) - m_buffer.size() : 0;
}

std::optional<QByteArray> FrameReader::next()
{
    if (!checkHeader() || m_buffer.size() < 4) return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (quint64(m_buffer.size()) < 4 + quint64(length)) return std::nullopt;
    if (m_buffer.size() == 4 + qsizetype(length)) {
        // The buffer holds this frame alone: it becomes the item, its length prefix dropped by
        // moving the array's start rather than copying what follows it. Room the buffer grew
        // beyond the frame is given back, as the item may be kept long (a loaded list).
        QByteArray item = std::exchange(m_buffer, QByteArray());
        item.remove(0, 4);
        if (item.capacity() - item.size() > item.size() / 8) item.squeeze();
        return item;
    }
    QByteArray item = m_buffer.mid(4, length);
    m_buffer.remove(0, 4 + qsizetype(length));
    return item;
}

} // namespace wire
