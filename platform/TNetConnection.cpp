#include "TNetConnection.h"

#include "DryRunJournal.h"
#include "SaveRecheck.h"
#include "ServerFailure.h"
#include "WireProtocol.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>
#include <QTcpSocket>
#include <utility>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace {

const QString Interrupted = QStringLiteral("chamada interrompida");

// What a person reads about a call that went wrong names the server by what it is to them: the
// module and method asked for mean nothing to them.
const QString CallFailed = QStringLiteral("Falha na comunicação com o servidor de aplicação: %1");

// Wakes whatever waits on the socket in another thread: its reads end as if the server had
// closed, its connect fails.
void shutDown(qintptr descriptor)
{
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(descriptor), SD_BOTH);
#else
    ::shutdown(int(descriptor), SHUT_RDWR);
#endif
}

// What a person can read; Qt's own text is kept for the rare cases named here by no one.
QString socketErrorText(const QAbstractSocket &socket)
{
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("conexão recusada");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("conexão encerrada pelo servidor");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("endereço do servidor não encontrado");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("tempo esgotado");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("falha de rede");
    case QAbstractSocket::SslHandshakeFailedError:
        return QStringLiteral("falha na negociação TLS (%1)").arg(socket.errorString());
    default:
        return socket.errorString();
    }
}

std::function<ServerAccess()> &accessSource()
{
    static std::function<ServerAccess()> source;
    return source;
}

std::function<void(const QString &)> &sessionEndedHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

// Set on the user-interface thread while calls of background connections may be reading it.
QMutex &dryRunLock()
{
    static QMutex lock;
    return lock;
}

std::shared_ptr<DryRunJournal> &dryRun()
{
    static std::shared_ptr<DryRunJournal> journal;
    return journal;
}

std::shared_ptr<DryRunJournal> currentDryRun()
{
    const QMutexLocker lock(&dryRunLock());
    return dryRun();
}

std::function<void()> &waitingHandler()
{
    static std::function<void()> handler;
    return handler;
}

const QString SessionModule = QStringLiteral("KZR.Sessao");

// The calls that store something: sent once, never again to another server after a connection
// that broke under them (a dry run's steps are rolled back, and go again).
bool changesData(const QString &module, const QString &method)
{
    if (module == QLatin1String(DryRunJournal::Module))
        return method != QLatin1String(DryRunJournal::Method);
    return method == QLatin1String("SetDimensao") || method == QLatin1String("setExtras");
}

// What is left of a call's time limit, as Qt's waits take it (at least 1 ms: 0 would not wait;
// -1 waits without end).
int remainingMs(const QDeadlineTimer &deadline)
{
    if (deadline.isForever()) return -1;
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

#ifndef Q_OS_WIN
// A plain socket is written and read at its descriptor while Qt holds nothing of it in its
// buffers: Qt would arm notifiers, wake its event dispatcher and ask for the bytes available
// first, several system calls more per call than the exchange needs. Anything unusual (an
// error, the server closing) is left to Qt, which names it.

// The bytes the kernel took at once.
qint64 sendAtOnce(QTcpSocket &socket, const QByteArray &bytes)
{
    if (socket.bytesToWrite() > 0) return 0;
    return wire::sendWithoutWaiting(socket.socketDescriptor(), bytes);
}

enum class Arrival { Bytes, NoneYet, AskQt };

// Waits up to waitMs (-1: without end) for the reply's next bytes and hands them to the reader.
Arrival receiveAtOnce(const QTcpSocket &socket, int waitMs, wire::FrameReader &reader)
{
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor < 0 || socket.bytesAvailable() > 0) return Arrival::AskQt;
    pollfd ready{int(descriptor), POLLIN, 0};
    const int polled = ::poll(&ready, 1, waitMs);
    if (polled == 0) return Arrival::NoneYet;
    if (polled < 0) return errno == EINTR ? Arrival::NoneYet : Arrival::AskQt;
    // Enough for a small reply in one read, at most 1 MiB at a time for a large one.
    constexpr qint64 SmallReply = 64 * 1024, LargestRead = 1024 * 1024;
    QByteArray bytes(std::clamp(reader.wanted(), SmallReply, LargestRead), Qt::Uninitialized);
    const ssize_t got = ::recv(int(descriptor), bytes.data(), size_t(bytes.size()), MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return Arrival::NoneYet;
    if (got <= 0) return Arrival::AskQt; // closed or failed
    bytes.truncate(got);
    reader.append(bytes);
    return Arrival::Bytes;
}
#endif

} // namespace

Variant AppServerDispatch::Call(const QString &method, std::initializer_list<RemoteArg> args) const
{
    return m_connection->call(method, QList<RemoteArg>(args));
}

Variant AppServerDispatch::Call(const QString &method, const QList<RemoteArg> &args) const
{
    return m_connection->call(method, args);
}

TNetConnection::TNetConnection(QObject *owner, const QString &name)
    : QObject(owner), m_port(wire::DefaultPort)
{
    setObjectName(name);
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetAccessSource(std::function<ServerAccess()> source)
{
    accessSource() = std::move(source);
}

void TNetConnection::SetSessionEndedHandler(std::function<void(const QString &)> handler)
{
    sessionEndedHandler() = std::move(handler);
}

void TNetConnection::SetDryRun(std::shared_ptr<DryRunJournal> journal)
{
    std::shared_ptr<DryRunJournal> replaced; // let go of outside the lock
    const QMutexLocker lock(&dryRunLock());
    replaced = std::exchange(dryRun(), std::move(journal));
}

void TNetConnection::SetWaitingHandler(std::function<void()> handler)
{
    waitingHandler() = std::move(handler);
}

ServerAccess TNetConnection::currentAccess() const
{
    if (m_access) return *m_access;
    return accessSource() ? accessSource()() : ServerAccess{};
}

void TNetConnection::SetConnected(bool on)
{
    if (on == m_connected) return;
    if (!on) {
        dropSocket();
        m_connected = false;
        return;
    }
    if (BeforeConnect) BeforeConnect(this);
    // Without ThrowException an unreachable server is reported by the first call, which
    // tries to connect again.
    try {
        QString error;
        if (!ensureSocket(&error, QDeadlineTimer(m_timeoutMs)) && m_throwException)
            throw EConnectionError(error);
    } catch (const EConnectionError &) {
        if (m_throwException) throw;
    }
    m_connected = true;
}

void TNetConnection::Interrupt()
{
    m_interrupted = true;
    QMutexLocker lock(&m_descriptorLock);
    if (m_descriptor >= 0) shutDown(m_descriptor);
}

void TNetConnection::setDescriptor(qintptr descriptor)
{
    QMutexLocker lock(&m_descriptorLock);
    m_descriptor = descriptor;
    // Interrupted while the socket was being opened: it is shut as soon as it exists.
    if (m_interrupted && m_descriptor >= 0) shutDown(m_descriptor);
}

void TNetConnection::dropSocket()
{
    setDescriptor(-1);
    if (m_socket) m_socket->abort();
    m_socket.reset();
    m_sessionResumed = false;
}

QList<TNetConnection::Endpoint> TNetConnection::endpoints() const
{
    // "a", "a:21201,b:21202", "[::1]:21201": each server of the list, the port given or ours.
    QList<Endpoint> list;
    for (const QString &part : m_host.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString spec = part.trimmed();
        Endpoint server{spec, m_port};
        qsizetype colon = -1;
        if (spec.startsWith(QLatin1Char('['))) {
            const qsizetype close = spec.indexOf(QLatin1Char(']'));
            server.host = spec.mid(1, close - 1);
            if (close >= 0 && spec.indexOf(QLatin1Char(':'), close) == close + 1) colon = close + 1;
        } else if (spec.count(QLatin1Char(':')) == 1) { // more: an IPv6 address without a port
            colon = spec.indexOf(QLatin1Char(':'));
            server.host = spec.left(colon);
        }
        if (colon >= 0) {
            bool ok = false;
            server.port = QStringView(spec).mid(colon + 1).toInt(&ok);
            if (!ok) server.port = -1;
        }
        list << server;
    }
    if (list.isEmpty()) list << Endpoint{m_host, m_port};
    return list;
}

namespace {

// Which server of each list the connections of this process reach first: the one that
// answered last, so that they all move together when one stops.
QMutex &preferredLock()
{
    static QMutex lock;
    return lock;
}

QHash<QString, int> &preferredServers()
{
    static QHash<QString, int> preferred;
    return preferred;
}

std::function<void(const QString &)> &serverAnsweringHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

QString endpointText(const QString &host, int port)
{
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + QString::number(port);
}

} // namespace

void TNetConnection::SetServerAnsweringHandler(std::function<void(const QString &)> handler)
{
    serverAnsweringHandler() = std::move(handler);
}

void TNetConnection::moveOn()
{
    // The server reached last is stopping or gone: every connection starts at the next one.
    const QMutexLocker lock(&preferredLock());
    const QString list = m_host + QLatin1Char('/') + QString::number(m_port);
    const int count = int(endpoints().size());
    if (count > 1 && preferredServers().value(list) == m_serverIndex)
        preferredServers()[list] = (m_serverIndex + 1) % count;
}

bool TNetConnection::ensureSocket(QString *error, const QDeadlineTimer &deadline)
{
    // The server closes a connection that stays idle too long, and a stopping server closes
    // it after saying so: find that out before sending, and start on a fresh one instead of
    // failing the call.
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        m_socket->bytesAvailable() == 0)
        return true;
    if (m_socket) moveOn();
    setDescriptor(-1); // the old socket, if any, is about to go
    m_sessionResumed = false;
    m_socketAccess = currentAccess();
    const QList<Endpoint> servers = endpoints();
    const QString list = m_host + QLatin1Char('/') + QString::number(m_port);
    int first = 0;
    {
        const QMutexLocker lock(&preferredLock());
        first = preferredServers().value(list) % int(servers.size());
    }
    QStringList failures;
    for (int i = 0; i < servers.size(); ++i) {
        const int index = (first + i) % int(servers.size());
        // With others left to try, a server that does not answer may not take all the time.
        const int left = int(servers.size()) - i;
        QDeadlineTimer attempt = deadline;
        if (left > 1 && !deadline.isForever())
            attempt = QDeadlineTimer(std::max<qint64>(deadline.remainingTime() / left, 1000));
        if (connectTo(servers[index], error, attempt)) {
            m_serverIndex = index;
            const QString answering = endpointText(servers[index].host, servers[index].port);
            {
                const QMutexLocker lock(&preferredLock());
                preferredServers()[list] = index;
            }
            if (answering != std::exchange(m_serverAnswering, answering) &&
                serverAnsweringHandler())
                serverAnsweringHandler()(answering);
            return true;
        }
        failures << *error;
        if (m_interrupted || deadline.hasExpired()) break;
    }
    if (failures.size() > 1)
        *error = QStringLiteral("Nenhum servidor de aplicação respondeu: %1")
                     .arg(failures.join(QStringLiteral("; ")));
    return false;
}

bool TNetConnection::connectTo(const Endpoint &server, QString *error,
                               const QDeadlineTimer &deadline)
{
    const ServerAccess &access = m_socketAccess;
    const QString where = QStringLiteral("Não foi possível conectar ao servidor de aplicação %1:%2")
                              .arg(server.host)
                              .arg(server.port);
    if (m_interrupted) {
        *error = where + QStringLiteral(": ") + Interrupted;
        return false;
    }
    if (server.port <= 0 || server.port > 65535) {
        *error = where + QStringLiteral(": porta inválida");
        return false;
    }
    if (!access.tls) {
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(server.host, quint16(server.port));
        setDescriptor(m_socket->socketDescriptor());
        if (!m_socket->waitForConnected(remainingMs(deadline))) {
            *error = where + QStringLiteral(": ") +
                     (m_interrupted ? Interrupted : socketErrorText(*m_socket));
            setDescriptor(-1);
            m_socket.reset();
            return false;
        }
        setDescriptor(m_socket->socketDescriptor()); // Qt may open it only while connecting
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_plainSocket = true;
        return true;
    }

    auto secure = std::make_unique<QSslSocket>();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!access.caFile.isEmpty()) {
        QFile file(access.caFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = where + QStringLiteral(": não foi possível ler o arquivo de autoridades %1")
                                 .arg(access.caFile);
            return false;
        }
        configuration.setCaCertificates(QSslCertificate::fromData(file.readAll()));
    }
    secure->setSslConfiguration(configuration);
    QList<QSslError> refused;
    QSslSocket *raw = secure.get();
    const QMetaObject::Connection judge = QObject::connect(
        raw, &QSslSocket::sslErrors, raw, [raw, &access, &refused](const QList<QSslError> &errors) {
        // A certificate the user accepted once is trusted on its fingerprint alone, unless
        // authorities were named: then they alone decide.
        const QByteArray digest = raw->peerCertificate().digest(QCryptographicHash::Sha256);
        if (access.caFile.isEmpty() && !access.pinnedFingerprint.isEmpty() &&
            server_access::sameFingerprint(server_access::fingerprintText(digest),
                                           access.pinnedFingerprint))
            raw->ignoreSslErrors();
        else
            refused = errors;
    });
    const auto forgetDescriptor = qScopeGuard([&] {
        if (m_socket.get() != raw) setDescriptor(-1);
    });
    secure->connectToHostEncrypted(server.host, quint16(server.port));
    setDescriptor(secure->socketDescriptor());
    const bool encrypted = secure->waitForEncrypted(remainingMs(deadline));
    QObject::disconnect(judge);
    if (!encrypted) {
        if (!refused.isEmpty()) {
            QStringList reasons;
            for (const QSslError &e : refused)
                reasons << e.errorString();
            const QString fingerprint = server_access::fingerprintText(
                secure->peerCertificate().digest(QCryptographicHash::Sha256));
            throw EUntrustedCertificate(
                where + QStringLiteral(": o certificado do servidor não é confiável (%1). "
                                       "Impressão digital SHA-256: %2")
                            .arg(reasons.join(QStringLiteral("; ")), fingerprint),
                fingerprint);
        }
        *error = where + QStringLiteral(": ") + socketErrorText(*secure);
        return false;
    }
    secure->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    setDescriptor(secure->socketDescriptor());
    m_socket = std::move(secure);
    m_plainSocket = false;
    return true;
}

std::optional<Variant> TNetConnection::resumeSession(const QDeadlineTimer &deadline)
{
    const Variant reply = exchange(SessionModule, QStringLiteral("resume"),
                                   {RemoteArg(m_socketAccess.sessionToken)}, deadline);
    if (!server_failure::is(reply)) return std::nullopt;
    dropSocket(); // the next call opens a new one, with whatever session the host has then
    return reply;
}

Variant TNetConnection::call(const QString &method, const QList<RemoteArg> &args)
{
    return callModule(m_serverName, method, args);
}

Variant TNetConnection::callModule(const QString &module, const QString &method,
                                   const QList<RemoteArg> &args)
{
    if (m_interrupted)
        throw EConnectionError(CallFailed.arg(Interrupted));
    if (!m_connected)
        throw EConnectionError(
            QStringLiteral("A conexão com o servidor de aplicação não está aberta."));
    // The limit covers the whole call, on every server it goes to: connecting, resuming the
    // session and the exchange.
    const QDeadlineTimer deadline(m_timeoutMs);
    const int servers = int(endpoints().size());
    for (int attempt = 1;; ++attempt) {
        m_mayMove = m_brokenChange = false;
        try {
            return callOnce(module, method, args, deadline);
        } catch (const EConnectionError &) {
            // To the next server, with the same session, when this one did not run the call (it
            // is stopping) or the call only reads. A save whose server went away meanwhile may
            // have been stored: it goes again only once the next server shows it was not.
            if ((!m_mayMove && !m_brokenChange) || attempt >= servers || m_interrupted ||
                deadline.hasExpired())
                throw;
            if (m_brokenChange) {
                std::optional<Variant> stored = recheck(module, method, args, deadline);
                if (!stored) throw;
                if (stored->kind() != Variant::Kind::Empty) return *stored;
            }
        }
    }
}

std::optional<Variant> TNetConnection::recheck(const QString &module, const QString &method,
                                               const QList<RemoteArg> &args,
                                               const QDeadlineTimer &deadline)
{
    if (!SaveRecheck::checks(module, method)) return std::nullopt;
    Variant answer;
    try {
        switch (SaveRecheck::check(
            method, args,
            [&](const QString &read, const QList<RemoteArg> &readArgs) {
                return callOnce(module, read, readArgs, deadline);
            },
            &answer)) {
        case SaveRecheck::Found::Stored:
            return answer;
        case SaveRecheck::Found::NotStored:
            return Variant(); // to be sent again
        case SaveRecheck::Found::Unclear:
            return std::nullopt;
        }
    } catch (const Exception &) {
        // The check could not be made: the save's own failure says what is known.
    }
    return std::nullopt;
}

Variant TNetConnection::callOnce(const QString &module, const QString &method,
                                 const QList<RemoteArg> &args, const QDeadlineTimer &deadline)
{
    QString error;
    if (!ensureSocket(&error, deadline)) throw EConnectionError(error);
    // A new login since this socket resumed its session (another connection found it ended):
    // the socket joins the new session before it is used again.
    const QString token = currentAccess().sessionToken;
    if (token != m_socketAccess.sessionToken) {
        m_socketAccess.sessionToken = token;
        m_sessionResumed = false;
    }
    Variant result;
    std::optional<Variant> ended;
    if (!m_sessionResumed && !m_socketAccess.sessionToken.isEmpty() && module != SessionModule) {
        ended = resumeSession(deadline);
        m_sessionResumed = !ended;
    }
    if (!ended) {
        const std::shared_ptr<DryRunJournal> journal = currentDryRun();
        if (journal && journal->covers(module))
            result = journal->unwrap(exchange(QLatin1String(DryRunJournal::Module),
                                              QLatin1String(DryRunJournal::Method),
                                              journal->wrap(module, method, args), deadline),
                                     args);
        else
            result = exchange(module, method, args, deadline);
        if (server_failure::isSessionEnded(result)) {
            dropSocket();
            ended = result;
        }
    } else {
        emit callMade(module, method); // not sent: the session is over; answered with why
        result = *ended;
    }
    // Only an ended session brings a new login; any other failure of the resume (the server
    // could not serve it) is just this call's answer.
    if (ended && server_failure::isSessionEnded(*ended) && m_reportsSessionEnd &&
        sessionEndedHandler())
        sessionEndedHandler()(server_failure::message(*ended));
    return result;
}

Variant TNetConnection::exchange(const QString &module, const QString &method,
                                 const QList<RemoteArg> &args, const QDeadlineTimer &deadline)
{
    wire::Request request{module, method, {}};
    request.args.reserve(args.size());
    for (const RemoteArg &a : args)
        request.args.append(a.value());

    QTcpSocket *socket = m_socket.get();
    // A broken exchange leaves the stream at an unknown point: the socket is dropped so that
    // the next call starts on a fresh one.
    // A connection that breaks moves the call to the next server, unless it changes data and
    // may have been stored already.
    const bool changes = changesData(module, method);
    auto fail = [&](const QString &why) -> EConnectionError {
        const QString message =
            changes && !m_interrupted
                ? QStringLiteral("A conexão com o servidor de aplicação caiu durante a gravação "
                                 "(%1); não é possível saber se ela foi concluída. Atualize os "
                                 "dados para conferir.")
                      .arg(why)
                : CallFailed.arg(m_interrupted ? Interrupted : why);
        dropSocket();
        moveOn();
        m_mayMove = !changes;
        m_brokenChange = changes && !m_interrupted;
        return EConnectionError(message);
    };

    const QByteArray requestFrame = wire::encodeRequestFrame(request);
    qint64 sent = 0;
#ifndef Q_OS_WIN
    if (m_plainSocket) sent = sendAtOnce(*socket, requestFrame);
#endif
    // A socket that takes nothing (closed meanwhile) would leave the call waiting out its
    // whole deadline for a reply to a request never sent.
    if (sent < requestFrame.size() &&
        socket->write(requestFrame.constData() + sent, requestFrame.size() - sent) < 0)
        throw fail(socketErrorText(*socket));
    if (module != SessionModule) emit callMade(module, method);
    while (socket->bytesToWrite() > 0) {
        if (!socket->waitForBytesWritten(remainingMs(deadline)))
            throw fail(deadline.hasExpired() ? QStringLiteral("tempo esgotado ao enviar")
                                             : socketErrorText(*socket));
    }

    wire::FrameReader reader;
    std::optional<QByteArray> item;
    while (!(item = reader.next())) {
        if (reader.failed()) throw fail(reader.error());
        if (m_interrupted) throw fail(Interrupted);
        // Bytes may already be buffered even when the server has closed behind its reply.
        if (socket->bytesAvailable() > 0) {
            reader.append(socket->readAll());
            continue;
        }
        if (deadline.hasExpired())
            throw fail(QStringLiteral("tempo esgotado aguardando a resposta"));
        // The wait goes in slices so that the waiting handler runs during a long one; a reply
        // ends a slice as soon as its first bytes come.
        int wait = remainingMs(deadline);
        if (waitingHandler() && (wait < 0 || wait > WaitingSliceMs)) wait = WaitingSliceMs;
#ifndef Q_OS_WIN
        if (m_plainSocket) {
            const Arrival arrival = receiveAtOnce(*socket, wait, reader);
            if (arrival == Arrival::Bytes) continue;
            if (arrival == Arrival::NoneYet) {
                if (waitingHandler() && !deadline.hasExpired()) waitingHandler()();
                continue;
            }
        }
#endif
        if (!socket->waitForReadyRead(wait) &&
            socket->bytesAvailable() == 0) {
            if (socket->state() == QAbstractSocket::ConnectedState &&
                socket->error() == QAbstractSocket::SocketTimeoutError && !deadline.hasExpired()) {
                if (waitingHandler()) waitingHandler()();
                continue;
            }
            if (deadline.hasExpired())
                throw fail(QStringLiteral("tempo esgotado aguardando a resposta"));
            if (socket->state() != QAbstractSocket::ConnectedState ||
                socket->error() != QAbstractSocket::UnknownSocketError)
                throw fail(socketErrorText(*socket));
        }
    }

    wire::Reply reply;
    try {
        reply = wire::decodeReply(std::move(*item));
    } catch (const EConnectionError &e) {
        throw fail(e.Message());
    }
    if (reply.stopping) { // not run: another server may take it
        dropSocket();
        moveOn();
        m_mayMove = true;
        throw EConnectionError(CallFailed.arg(*reply.stopping));
    }
    if (reply.fault)
        throw EConnectionError(
            QStringLiteral("O servidor de aplicação recusou o pedido: %1").arg(*reply.fault));
    for (const auto &[index, value] : reply.byRef) {
        if (index >= 0 && index < args.size() && args[index].ref()) *args[index].ref() = value;
    }
    return reply.result;
}
