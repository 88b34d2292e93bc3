#include "WireProtocol.h"

#include "CborHead.h"
#include "ExactText.h"
#include "Exceptions.h"
#include "VariantCbor.h"

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborStreamWriter>
#include <QtEndian>
#include <utility>
#include <limits>
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

namespace {

// A request as the writer makes it, read straight off its bytes: a map of "module", "method"
// and "args" in that order, every length known, and arguments that are texts, nulls, bytes,
// integers or arrays of those. Anything else, or anything wrong, answers nullopt before a
// value is trusted, and the whole item is read again with every check and message.
class RequestWalk
{
public:
    explicit RequestWalk(const QByteArray &item)
        : m_item(item), m_data(reinterpret_cast<const quint8 *>(item.constData())),
          m_size(item.size())
    {
    }

    std::optional<Request> read()
    {
        quint64 count = 0;
        if (!head(5, count) || count != 3) return std::nullopt;
        Request request;
        std::optional<QString> module, method;
        quint64 args = 0;
        if (!key("module") || !(module = text()) || !key("method") || !(method = text()) ||
            !key("args") || !head(4, args) || args > quint64(m_size - m_pos))
            return std::nullopt;
        request.module = std::move(*module);
        request.method = std::move(*method);
        request.args.reserve(qsizetype(args));
        for (quint64 i = 0; i < args; ++i) {
            std::optional<Variant> value = this->value(0);
            if (!value) return std::nullopt;
            request.args.append(std::move(*value));
        }
        if (m_pos != m_size) return std::nullopt;
        return request;
    }

private:
    // The next item's head when it is of the major type wanted, with a known length.
    bool head(quint8 wanted, quint64 &argument)
    {
        qsizetype pos = m_pos;
        quint8 major = 0;
        bool unsized = false;
        if (!cbor::readHead(m_data, m_size, pos, major, argument, unsized) || major != wanted ||
            unsized)
            return false;
        m_pos = pos;
        return true;
    }

    std::optional<QByteArrayView> span(quint8 major)
    {
        quint64 length = 0;
        if (!head(major, length) || length > quint64(m_size - m_pos)) return std::nullopt;
        const QByteArrayView bytes(m_item.constData() + m_pos, qsizetype(length));
        m_pos += qsizetype(length);
        return bytes;
    }

    std::optional<QString> text()
    {
        const std::optional<QByteArrayView> utf8 = span(3);
        if (!utf8) return std::nullopt;
        return exact_text::fromUtf8(*utf8);
    }

    bool key(QByteArrayView expected)
    {
        const std::optional<QByteArrayView> name = span(3);
        return name && *name == expected;
    }

    // Arrays inside arguments go one level down (a list of names), no further.
    std::optional<Variant> value(int depth)
    {
        if (m_pos >= m_size) return std::nullopt;
        const quint8 initial = m_data[m_pos];
        switch (initial >> 5) {
        case 0: {
            quint64 n = 0;
            if (!head(0, n) || n > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
            return Variant(qint64(n));
        }
        case 1: {
            quint64 n = 0;
            if (!head(1, n) || n > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
            return Variant(-1 - qint64(n));
        }
        case 2: {
            const std::optional<QByteArrayView> bytes = span(2);
            if (!bytes) return std::nullopt;
            return Variant::fromBytes(bytes->toByteArray());
        }
        case 3: {
            std::optional<QString> s = text();
            if (!s) return std::nullopt;
            return Variant(*s);
        }
        case 4: {
            quint64 count = 0;
            if (depth > 0 || !head(4, count) || count > quint64(m_size - m_pos))
                return std::nullopt;
            QList<Variant> items;
            items.reserve(qsizetype(count));
            for (quint64 i = 0; i < count; ++i) {
                std::optional<Variant> item = value(depth + 1);
                if (!item) return std::nullopt;
                items.append(std::move(*item));
            }
            return Variant::fromArray(std::move(items));
        }
        default:
            if (initial != 0xf6) return std::nullopt; // only null among the simple values
            ++m_pos;
            return Variant::Null();
        }
    }

    const QByteArray &m_item;
    const quint8 *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace

Request decodeRequest(const QByteArray &cborItem)
{
    if (std::optional<Request> request = RequestWalk(cborItem).read()) return std::move(*request);
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
        if (reply.fault || reply.stopping) {
            w.startMap(1);
            w.append(QLatin1String(reply.fault ? "fault" : "stopping"));
            w.append(reply.fault ? *reply.fault : *reply.stopping);
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
    // The replies that are one text alone: a fault, a server that is stopping.
    const std::pair<const char *, std::optional<QString> Reply::*> alone[] = {
        {"fault", &Reply::fault}, {"stopping", &Reply::stopping}};
    for (const auto &[key, member] : alone) {
        if (!map.contains(QLatin1String(key))) continue;
        const QCborValue text = map.value(QLatin1String(key));
        if (!text.isString() || map.size() != 1)
            malformed("Resposta", QStringLiteral("%1 deve ser um texto sozinho")
                                      .arg(member == &Reply::fault ? QStringLiteral("falha")
                                                                   : QStringLiteral("aviso de parada")));
        reply.*member = text.toString();
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
