#include "WireProtocol.h"

#include "CborHead.h"
#include "ExactText.h"
#include "Exceptions.h"
#include "VariantCbor.h"

#include <QCborArray>
#include <QCborMap>
#include <QBuffer>
#include <QCborStreamWriter>
#include <QtEndian>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/socket.h>
#endif

namespace wire {

qint64 sendWithoutWaiting(qintptr descriptor, const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    if (descriptor < 0) return 0;
    ssize_t sent;
    do {
        sent = ::send(int(descriptor), bytes.constData(), size_t(bytes.size()),
                      MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    return sent > 0 ? qint64(sent) : 0;
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(bytes);
    return 0;
#endif
}

namespace {

[[noreturn]] void malformed(const char *what, const QString &why)
{
    throw EConnectionError(QStringLiteral("%1 malformada: %2.").arg(QString::fromUtf8(what), why));
}

QCborValue parse(const QByteArray &item, const char *what)
{
    QString error;
    QCborValue value = exact_text::parseItem(item, &error);
    if (!error.isEmpty()) malformed(what, error);
    if (!value.isMap()) malformed(what, QStringLiteral("não é um mapa"));
    return value;
}

Variant variantOf(const QCborValue &value, const char *what)
{
    try {
        return fromCbor(value);
    } catch (const EVariantError &e) {
        malformed(what, e.Message());
    }
}

} // namespace

QByteArray frame(const QByteArray &cborItem)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian(quint32(cborItem.size()), out.data());
    out += cborItem;
    return out;
}

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

QByteArray encodeRequest(const Request &request)
{
    QByteArray item = encodeRequestFrame(request);
    item.remove(0, 4);
    return item;
}

QByteArray encodeRequestFrame(const Request &request)
{
    QByteArray out(4, '\0'); // the length, once known
    {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        QCborStreamWriter w(&buffer);
        w.startMap(3);
        w.append(QLatin1String("module"));
        w.append(request.module);
        w.append(QLatin1String("method"));
        w.append(request.method);
        w.append(QLatin1String("args"));
        w.startArray(quint64(request.args.size()));
        for (const Variant &a : request.args)
            write(w, a);
        w.endArray();
        w.endMap();
    }
    qToBigEndian(quint32(out.size() - 4), out.data());
    return out;
}

Request decodeRequest(const QByteArray &cborItem)
{
    const QCborMap map = parse(cborItem, "Requisição").toMap();
    for (const auto &[key, value] : map) {
        const QString k = key.toString();
        if (k != QLatin1String("module") && k != QLatin1String("method") &&
            k != QLatin1String("args"))
            malformed("Requisição", QStringLiteral("chave \"%1\" desconhecida").arg(k));
    }
    const QCborValue module = map.value(QLatin1String("module"));
    const QCborValue method = map.value(QLatin1String("method"));
    const QCborValue args = map.value(QLatin1String("args"));
    if (!module.isString() || !method.isString() || !args.isArray())
        malformed("Requisição",
                  QStringLiteral("esperava \"module\" e \"method\" textos e \"args\" array"));
    Request request;
    request.module = module.toString();
    request.method = method.toString();
    for (const auto &a : args.toArray())
        request.args.append(variantOf(a, "Requisição"));
    return request;
}

QByteArray encodeReply(const Reply &reply)
{
    QByteArray item = encodeReplyFrame(reply);
    item.remove(0, 4);
    return item;
}

QByteArray encodeReplyFrame(const Reply &reply)
{
    QByteArray out(4, '\0'); // the length, once known
    if (!reply.fault && reply.result.kind() == Variant::Kind::Bytes)
        out.reserve(reply.result.bytes().size() + 64);
    {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        QCborStreamWriter w(&buffer);
        if (reply.fault) {
            w.startMap(1);
            w.append(QLatin1String("fault"));
            w.append(*reply.fault);
        } else {
            w.startMap(reply.byRef.isEmpty() ? 1 : 2);
            w.append(QLatin1String("result"));
            write(w, reply.result);
            if (!reply.byRef.isEmpty()) {
                w.append(QLatin1String("byref"));
                w.startArray(quint64(reply.byRef.size()));
                for (const auto &[index, value] : reply.byRef) {
                    w.startArray(2);
                    w.append(qint64(index));
                    write(w, value);
                    w.endArray();
                }
                w.endArray();
            }
        }
        w.endMap();
    }
    qToBigEndian(quint32(out.size() - 4), out.data());
    return out;
}

namespace {

// {"result": <bytes of definite length>}, the reply of every list: its bytes are the item's own
// tail, taken without a copy. Any other reply is read in full below.
std::optional<Reply> bytesResult(QByteArray &item)
{
    static constexpr char Head[] = "\xA1\x66result"; // a map of one entry, a text of six
    constexpr qsizetype HeadSize = sizeof(Head) - 1;
    if (!item.startsWith(QByteArrayView(Head, HeadSize))) return std::nullopt;
    qsizetype start = HeadSize;
    quint8 major = 0;
    quint64 length = 0;
    bool unsized = false;
    if (!cbor::readHead(reinterpret_cast<const quint8 *>(item.constData()), item.size(), start,
                        major, length, unsized) ||
        major != 2 || unsized || length != quint64(item.size() - start))
        return std::nullopt; // not bytes, chunked, or not the rest of the item
    item.remove(0, start);
    Reply reply;
    reply.result = Variant::fromBytes(std::move(item));
    return reply;
}

} // namespace

Reply decodeReply(QByteArray cborItem)
{
    if (std::optional<Reply> reply = bytesResult(cborItem)) return std::move(*reply);
    const QCborMap map = parse(cborItem, "Resposta").toMap();
    Reply reply;
    if (map.contains(QLatin1String("fault"))) {
        const QCborValue fault = map.value(QLatin1String("fault"));
        if (!fault.isString() || map.size() != 1)
            malformed("Resposta", QStringLiteral("falha deve ser um texto sozinho"));
        reply.fault = fault.toString();
        return reply;
    }
    for (const auto &[key, value] : map) {
        const QString k = key.toString();
        if (k != QLatin1String("result") && k != QLatin1String("byref"))
            malformed("Resposta", QStringLiteral("chave \"%1\" desconhecida").arg(k));
    }
    if (!map.contains(QLatin1String("result")))
        malformed("Resposta", QStringLiteral("falta \"result\""));
    reply.result = variantOf(map.value(QLatin1String("result")), "Resposta");
    // By-reference results come as [[index, value], ...] or as a map {index: value}.
    const QCborValue byRef = map.value(QLatin1String("byref"));
    auto addByRef = [&](const QCborValue &index, const QCborValue &value) {
        if (!index.isInteger() || index.toInteger() < 0 ||
            index.toInteger() > std::numeric_limits<int>::max())
            malformed("Resposta", QStringLiteral("índice de \"byref\" inválido"));
        reply.byRef.append({int(index.toInteger()), variantOf(value, "Resposta")});
    };
    if (byRef.isMap()) {
        for (const auto &[index, value] : byRef.toMap())
            addByRef(index, value);
    } else if (byRef.isArray()) {
        for (const auto &pair : byRef.toArray()) {
            if (!pair.isArray() || pair.toArray().size() != 2)
                malformed("Resposta", QStringLiteral("cada item de \"byref\" é [índice, valor]"));
            addByRef(pair.toArray().at(0), pair.toArray().at(1));
        }
    } else if (!byRef.isUndefined()) {
        malformed("Resposta", QStringLiteral("\"byref\" deve ser um array ou um mapa"));
    }
    return reply;
}

} // namespace wire
