#include "ClientConnection.h"

#include "InputBudget.h"
#include "OutputBudget.h"
#include "RequestHandler.h"
#include "WorkerPool.h"

#include <QSocketNotifier>
#include <QSslSocket>
#include <QTcpSocket>
#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// The memory of a large list and of its reply is given back to the system once the reply has
// gone: the allocator would otherwise keep the peak of the busiest moment for good.
constexpr qsizetype LargeReplyBytes = DirectReply::LargeReplyBytes;
// How long a stopping server keeps a connection open after its farewell, reading nothing.
constexpr int FarewellGraceMs = 1000;

void handBackFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// A limit of 0 means none.
void arm(QTimer &timer, int ms)
{
    if (ms > 0) timer.start(ms);
}

void setUp(QTimer &timer, int ms)
{
    timer.setSingleShot(true);
    timer.setInterval(ms);
}

} // namespace

ClientConnection::ClientConnection(quint64 id, QTcpSocket *socket, const ConnectionLimits &limits,
                                   InputBudget &budget, OutputBudget &unread,
                                   std::weak_ptr<WorkerPool> pool, QObject *parent)
    : QObject(parent), m_id(id), m_socket(socket), m_limits(limits), m_budget(budget),
      m_unread(unread), m_reader(limits.maxFrameBytes), m_pool(std::move(pool))
{
    m_socket->setParent(nullptr); // owned here, deleted here: never behind this object's back
    m_plainSocket = !qobject_cast<QSslSocket *>(socket);
    // Qt reads the socket whenever its notifier says so: lending the reading means turning
    // that notifier off. Without exactly one to be found, the reading is never lent.
    if (m_plainSocket && s_lendingWorks && !m_pool.expired()) {
        const qintptr descriptor = m_socket->socketDescriptor();
        for (QSocketNotifier *n : m_socket->findChildren<QSocketNotifier *>()) {
            if (n->type() != QSocketNotifier::Read || n->socket() != descriptor) continue;
            if (m_readNotifier) {
                m_readNotifier.clear();
                break;
            }
            m_readNotifier = n;
        }
    }
    // Qt takes no more from the kernel than this while reading is paused, so a client that
    // keeps sending is held back by TCP itself.
    m_socket->setReadBufferSize(64 * 1024);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &ClientConnection::readIncoming);
    connect(m_socket.get(), &QTcpSocket::bytesWritten, this, &ClientConnection::onBytesWritten);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &ClientConnection::finish);

    setUp(m_frameTimer, limits.frameTimeoutMs);
    setUp(m_writeStallTimer, limits.writeStallTimeoutMs);
    setUp(m_idleTimer, limits.idleTimeoutMs);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        failAndClose(QStringLiteral("Requisição incompleta: o quadro não chegou inteiro em %1 s.")
                         .arg(m_limits.frameTimeoutMs / 1000.0));
    });
    connect(&m_writeStallTimer, &QTimer::timeout, this, &ClientConnection::close);
    connect(&m_idleTimer, &QTimer::timeout, this, &ClientConnection::onIdle);
    arm(m_idleTimer, m_limits.idleTimeoutMs);
}

ClientConnection::~ClientConnection()
{
    closeOutlet();
    m_socket->disconnect(this);
    if (!m_closed) giveBackAll();
    m_socket->abort();
    m_unread.change(std::exchange(m_unreadCounted, 0), 0);
}

bool ClientConnection::readingPaused() const
{
    return m_closed || m_waitingForBudget || unreadOverLimit() ||
           m_waitingBytes >= qint64(m_limits.maxFrameBytes);
}

bool ClientConnection::unreadOverLimit() const
{
    const qint64 unread = m_socket->bytesToWrite();
    return unread > m_limits.outputBufferBytes || (unread > 0 && m_unread.spent());
}

void ClientConnection::countUnread()
{
    const qint64 now = m_closed ? 0 : m_socket->bytesToWrite();
    m_unread.change(std::exchange(m_unreadCounted, now), now);
    if (m_closed || m_waitingForRoom || !unreadOverLimit() || !m_unread.spent()) return;
    // Served again once the others have read enough, if it has not read its own by then.
    m_waitingForRoom = true;
    connect(
        &m_unread, &OutputBudget::roomAgain, this,
        [this] {
            disconnect(&m_unread, &OutputBudget::roomAgain, this, nullptr);
            m_waitingForRoom = false;
            onBytesWritten();
        },
        Qt::QueuedConnection);
}

qint64 ClientConnection::incomingBytes() const
{
    return m_handedBack.size() + m_socket->bytesAvailable();
}

QByteArray ClientConnection::takeIncoming(qint64 most)
{
    if (m_handedBack.isEmpty()) return m_socket->read(most);
    QByteArray part = m_handedBack.left(most);
    m_handedBack.remove(0, part.size());
    return part;
}

void ClientConnection::readIncoming()
{
    if (m_closed) return;
    if (m_lent) {
        // Qt read the socket although its notifier was off: on this Qt the reading cannot be
        // lent. This connection goes, before two readers mix up its frames; no other is lent.
        if (m_socket->bytesAvailable() > 0) {
            s_lendingWorks = false;
            close();
        }
        return;
    }
    if (!m_fatal.isEmpty()) {
        m_handedBack.clear();
        m_socket->readAll(); // closing: what follows a broken frame cannot be read as frames
        pump();              // the last word, once the request under way is answered
        return;
    }
    while (!readingPaused() && incomingBytes() > 0) {
        if (m_reader.announcedLength() && m_frameShare == 0 && !takeShareForFrame()) break;
        m_reader.append(takeIncoming(std::min(incomingBytes(), m_reader.wanted())));
        m_lastActivity = std::chrono::steady_clock::now();
        std::optional<QByteArray> item = m_reader.next();
        if (m_reader.failed()) {
            failAndClose(m_reader.error());
            return;
        }
        if (!item) continue;
        m_frameTimer.stop();
        const Request request{std::move(*item), std::exchange(m_frameShare, 0)};
        if (m_waiting.size() >= m_limits.maxQueuedRequests) {
            m_budget.giveBack(request.share);
            failAndClose(QStringLiteral("Requisições demais pendentes nesta conexão (máximo %1).")
                             .arg(m_limits.maxQueuedRequests));
            return;
        }
        m_waitingBytes += request.item.size();
        m_waiting.enqueue(request);
    }
    // A frame's clock runs only while the server reads: the client is not slow while the
    // server holds it back.
    if (readingPaused())
        m_frameTimer.stop();
    else if (m_reader.buffered() > 0 && !m_frameTimer.isActive())
        arm(m_frameTimer, m_limits.frameTimeoutMs);
    pump();
}

bool ClientConnection::takeShareForFrame()
{
    const qint64 share = 4 + qint64(*m_reader.announcedLength());
    if (m_budget.take(share)) {
        m_frameShare = share;
        return true;
    }
    if (!m_waitingForBudget) {
        m_waitingForBudget = true;
        connect(
            &m_budget, &InputBudget::givenBack, this,
            [this] {
                disconnect(&m_budget, nullptr, this, nullptr);
                m_waitingForBudget = false;
                readIncoming();
            },
            Qt::QueuedConnection);
        // A worker may have given its share back between the refusal and the connection.
        if (m_budget.take(share)) {
            disconnect(&m_budget, nullptr, this, nullptr);
            m_waitingForBudget = false;
            m_frameShare = share;
            return true;
        }
    }
    return false;
}

void ClientConnection::pump()
{
    if (m_closed || m_lent) return;
    if (m_inFlight && !collectAnswered()) {
        // A worker answering by itself tells this connection only when it has more to do.
        const bool moreToDo = !m_waiting.isEmpty() || (!m_fatal.isEmpty() && !m_faultSent);
        if (!moreToDo || waitForAnswer() || !collectAnswered()) return;
    }
    // A client that leaves its replies unread gets no further ones until it reads.
    if (unreadOverLimit()) {
        if (!m_writeStallTimer.isActive()) arm(m_writeStallTimer, m_limits.writeStallTimeoutMs);
        return;
    }
    if (!m_waiting.isEmpty()) {
        m_inFlight = m_waiting.dequeue();
        m_waitingBytes -= m_inFlight->item.size();
        std::shared_ptr<DirectReply> direct = directReply(m_inFlight->share);
        if (direct) {
            m_inFlight->share = 0; // given back with the reply, by the worker
            if (!m_waiting.isEmpty() || !m_fatal.isEmpty())
                waitForAnswer();
            else
                lendReading();
        }
        emit requestReady(m_id, std::exchange(m_inFlight->item, {}), direct);
        return;
    }
    if (!m_fatal.isEmpty() && !m_faultSent) {
        m_faultSent = true;
        m_socket->write(m_farewell.isEmpty() ? wire::frame(RequestHandler::faultReply(m_fatal))
                                             : m_farewell);
        countUnread();
        // A client that never reads the fault is dropped all the same.
        arm(m_writeStallTimer, m_limits.writeStallTimeoutMs);
        if (m_farewell.isEmpty()) {
            m_socket->disconnectFromHost(); // after the fault has been written
        } else {
            // Left open a moment, its requests unread: a request the client sent just before
            // the farewell came is then not met by a reset that would take the farewell with it.
            QTimer::singleShot(FarewellGraceMs, this, [this] {
                if (!m_closed) m_socket->disconnectFromHost();
            });
        }
    }
}

void ClientConnection::failAndClose(const QString &text)
{
    if (!m_fatal.isEmpty()) return;
    m_fatal = text.isEmpty() ? QStringLiteral("Quadro inválido.") : text;
    m_frameTimer.stop();
    m_budget.giveBack(std::exchange(m_frameShare, 0));
    pump();
}

void ClientConnection::stop(const QString &text)
{
    if (m_closed || !m_fatal.isEmpty()) return;
    wire::Reply stopping;
    stopping.stopping = text;
    m_farewell = wire::encodeReplyFrame(stopping);
    // Requests not yet started are not run: the farewell answers them.
    qint64 held = 0;
    for (const Request &r : std::as_const(m_waiting))
        held += r.share;
    m_waiting.clear();
    m_waitingBytes = 0;
    m_budget.giveBack(held);
    reclaimReading(); // a worker reading meanwhile hands it back once answered
    failAndClose(text);
}

qint64 ClientConnection::sendAtOnce(const QByteArray &replyFrame)
{
    // Qt would arm a write notifier, wake its event loop and write on the next turn: a small
    // reply on a plain socket with nothing queued before it goes to the kernel right here.
    if (!m_plainSocket || replyFrame.size() >= LargeReplyBytes || m_socket->bytesToWrite() > 0)
        return 0;
    return wire::sendWithoutWaiting(m_socket->socketDescriptor(), replyFrame);
}

std::shared_ptr<DirectReply> ClientConnection::directReply(qint64 share)
{
#ifdef Q_OS_UNIX
    if (!m_plainSocket || m_socket->bytesToWrite() > 0 ||
        m_socket->state() != QAbstractSocket::ConnectedState)
        return nullptr;
    if (m_outlet->descriptor < 0) {
        const qintptr descriptor = m_socket->socketDescriptor();
        if (descriptor < 0) return nullptr;
        // Made once for the connection's life, not once per request. With no descriptor left,
        // the replies come through here.
        m_outlet->descriptor = ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
        if (m_outlet->descriptor < 0) return nullptr;
    }
    return std::make_shared<DirectReply>(share, m_budget, m_outlet);
#else
    Q_UNUSED(share);
    return nullptr;
#endif
}

bool ClientConnection::collectAnswered()
{
    std::chrono::steady_clock::time_point answeredAt;
    {
        std::lock_guard lock(m_outlet->mutex);
        if (!m_outlet->answered) return false;
        m_outlet->answered = false;
        m_outlet->waitedFor = false;
        answeredAt = m_outlet->answeredAt;
    }
    // Idle from the moment the reply went, as for a reply written here; also for the
    // requests a worker read itself, which this side never saw.
    m_lastActivity = std::max(m_lastActivity, answeredAt);
    return std::exchange(m_inFlight, std::nullopt).has_value();
}

bool ClientConnection::lendReading()
{
    if (!m_readNotifier || m_reader.buffered() > 0 || incomingBytes() > 0 || m_frameShare > 0 ||
        m_waitingForBudget)
        return false;
    {
        std::lock_guard lock(m_outlet->mutex);
        if (m_outlet->closed) return false;
        m_outlet->reading = ReplyOutlet::Reading::Worker;
    }
    m_readNotifier->setEnabled(false);
    m_lent = true;
    return true;
}

bool ClientConnection::reclaimReading()
{
    if (!m_lent) return true;
    {
        std::lock_guard lock(m_outlet->mutex);
        switch (m_outlet->reading) {
        case ReplyOutlet::Reading::Worker:
        case ReplyOutlet::Reading::Returning:
            return false;
        case ReplyOutlet::Reading::Watched:
            if (const std::shared_ptr<WorkerPool> pool = m_pool.lock())
                pool->unwatch(m_outlet->descriptor, m_outlet->watchKey);
            break;
        case ReplyOutlet::Reading::Here:
            break;
        }
        m_outlet->reading = ReplyOutlet::Reading::Here;
        // Whatever was answered meanwhile is behind us now.
        if (m_outlet->answered) m_lastActivity = std::max(m_lastActivity, m_outlet->answeredAt);
        m_outlet->answered = false;
        m_outlet->waitedFor = false;
    }
    m_lent = false;
    m_inFlight.reset();
    if (m_readNotifier) m_readNotifier->setEnabled(true);
    return true;
}

void ClientConnection::takeBack(const QByteArray &bytesRead)
{
    if (m_closed) return;
    {
        std::lock_guard lock(m_outlet->mutex);
        m_outlet->reading = ReplyOutlet::Reading::Here;
    }
    reclaimReading();
    m_handedBack += bytesRead;
    readIncoming();
}

bool ClientConnection::waitForAnswer()
{
    std::lock_guard lock(m_outlet->mutex);
    if (m_outlet->answered) return false;
    m_outlet->waitedFor = true;
    return true;
}

void ClientConnection::answeredDirectly()
{
    if (m_closed) return;
    reclaimReading();
    pump();
    readIncoming();
}

void ClientConnection::deliver(const QByteArray &replyFrame)
{
    if (m_closed) return;
    if (m_inFlight) m_budget.giveBack(m_inFlight->share);
    m_inFlight.reset();
    {
        std::lock_guard lock(m_outlet->mutex);
        m_outlet->waitedFor = false;
        // The reply to the last request a worker took, written here, follows everything it
        // wrote itself.
        if (m_lent) {
            m_outlet->reading = ReplyOutlet::Reading::Here;
            m_outlet->answered = false;
        }
    }
    reclaimReading();
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        const qint64 sent = sendAtOnce(replyFrame);
        if (sent < replyFrame.size())
            m_socket->write(replyFrame.constData() + sent, replyFrame.size() - sent);
        if (replyFrame.size() >= LargeReplyBytes) m_trimWhenWritten = true;
        countUnread();
    }
    m_lastActivity = std::chrono::steady_clock::now();
    pump();
    readIncoming(); // reading may have paused while requests were waiting
}

void ClientConnection::onBytesWritten()
{
    if (m_closed) return;
    // The clock runs from the moment the unread replies went over the limit, progress or not:
    // a client that cannot take them in within the time is as good as gone.
    if (m_trimWhenWritten && m_socket->bytesToWrite() == 0) {
        m_trimWhenWritten = false;
        handBackFreeMemory();
    }
    countUnread();
    if (unreadOverLimit() || m_faultSent) return;
    m_writeStallTimer.stop();
    pump();
    readIncoming();
}

void ClientConnection::onIdle()
{
    if (!reclaimReading()) { // a worker is answering it
        arm(m_idleTimer, m_limits.idleTimeoutMs);
        return;
    }
    collectAnswered(); // the clock then runs from the reply
    // The timer is not started anew at every request: it fires at the limit counted from the
    // last activity it knew of and looks again for what is left.
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_lastActivity);
    if (quiet.count() < m_limits.idleTimeoutMs) {
        m_idleTimer.start(int(m_limits.idleTimeoutMs - quiet.count()));
        return;
    }
    if (m_inFlight || !m_waiting.isEmpty() || m_reader.buffered() > 0 ||
        m_socket->bytesToWrite() > 0) {
        m_lastActivity = std::chrono::steady_clock::now(); // busy: the other limits watch over it
        arm(m_idleTimer, m_limits.idleTimeoutMs);
        return;
    }
    close();
}

void ClientConnection::close()
{
    if (m_closed) return;
    m_socket->disconnect(this);
    m_socket->abort();
    finish();
}

void ClientConnection::finish()
{
    if (m_closed) return;
    m_closed = true;
    closeOutlet();
    m_frameTimer.stop();
    m_writeStallTimer.stop();
    m_idleTimer.stop();
    giveBackAll();
    countUnread();
    emit closed(m_id);
}

void ClientConnection::closeOutlet()
{
    std::lock_guard lock(m_outlet->mutex);
    m_outlet->closed = true;
    if (m_outlet->reading == ReplyOutlet::Reading::Watched) {
        if (const std::shared_ptr<WorkerPool> pool = m_pool.lock())
            pool->unwatch(m_outlet->descriptor, m_outlet->watchKey);
        m_outlet->reading = ReplyOutlet::Reading::Here;
    }
#ifdef Q_OS_UNIX
    // The outlet's descriptor keeps the socket open while anyone holds it: the client is to
    // see the end now, not once the last worker has let go.
    if (m_outlet->descriptor >= 0) ::shutdown(m_outlet->descriptor, SHUT_RDWR);
#endif
}

void ClientConnection::giveBackAll()
{
    qint64 held = std::exchange(m_frameShare, 0);
    for (const Request &r : std::as_const(m_waiting))
        held += r.share;
    m_waiting.clear();
    m_waitingBytes = 0;
    if (m_inFlight) held += m_inFlight->share; // its worker lets go of it shortly
    m_inFlight.reset();
    m_budget.giveBack(held);
}
