#include "TNetConnection.h"

#include "WireProtocol.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace {

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
    default:
        return socket.errorString();
    }
}

} // namespace

Variant AppServerDispatch::Call(const QString &method, std::initializer_list<RemoteArg> args) const
{
    return m_connection->call(method, QList<RemoteArg>(args));
}

Variant AppServerDispatch::Call(const QString &method, const QList<RemoteArg> &args) const
{
    return m_connection->call(method, args);
}

TNetConnection::TNetConnection(QObject *owner, const QString &name) : QObject(owner)
{
    setObjectName(name);
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetConnected(bool on)
{
    if (on == m_connected) return;
    if (!on) {
        if (m_socket) m_socket->abort();
        m_socket.reset();
        m_connected = false;
        return;
    }
    if (BeforeConnect) BeforeConnect(this);
    QString error;
    if (!ensureSocket(&error) && m_throwException) throw EConnectionError(error);
    // Without ThrowException an unreachable server is reported by the first call, which
    // tries to connect again.
    m_connected = true;
}

bool TNetConnection::ensureSocket(QString *error)
{
    // The server closes a connection that stays idle too long: find that out before sending,
    // and start on a fresh one instead of failing the call.
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        m_socket->bytesAvailable() == 0)
        return true;
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(m_host, quint16(m_port));
    if (m_port <= 0 || m_port > 65535 || !m_socket->waitForConnected(m_timeoutMs)) {
        *error = QStringLiteral("Não foi possível conectar ao servidor de aplicação %1:%2 (%3): %4")
                     .arg(m_host)
                     .arg(m_port)
                     .arg(m_serverName, socketErrorText(*m_socket));
        m_socket.reset();
        return false;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

Variant TNetConnection::call(const QString &method, const QList<RemoteArg> &args)
{
    if (!m_connected)
        throw EConnectionError(
            QStringLiteral("A conexão com \"%1\" não está aberta; não foi possível chamar \"%2\".")
                .arg(m_serverName, method));
    QString error;
    if (!ensureSocket(&error)) throw EConnectionError(error);

    wire::Request request{m_serverName, method, {}};
    request.args.reserve(args.size());
    for (const RemoteArg &a : args)
        request.args.append(a.value());

    QTcpSocket *socket = m_socket.get();
    // A broken exchange leaves the stream at an unknown point: the socket is dropped so that
    // the next call starts on a fresh one.
    auto fail = [&](const QString &why) -> EConnectionError {
        const QString message = QStringLiteral("Falha na chamada \"%1\" ao servidor \"%2\": %3")
                                    .arg(method, m_serverName, why);
        m_socket->abort();
        m_socket.reset();
        return EConnectionError(message);
    };

    QDeadlineTimer deadline(m_timeoutMs);
    socket->write(wire::frame(wire::encodeRequest(request)));
    emit callMade(m_serverName, method);
    while (socket->bytesToWrite() > 0) {
        if (!socket->waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            throw fail(deadline.hasExpired() ? QStringLiteral("tempo esgotado ao enviar")
                                             : socketErrorText(*socket));
    }

    wire::FrameReader reader;
    std::optional<QByteArray> item;
    while (!(item = reader.next())) {
        if (reader.failed()) throw fail(reader.error());
        // Bytes may already be buffered even when the server has closed behind its reply.
        if (socket->bytesAvailable() > 0) {
            reader.append(socket->readAll());
            continue;
        }
        if (deadline.hasExpired())
            throw fail(QStringLiteral("tempo esgotado aguardando a resposta"));
        if (!socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))) &&
            socket->bytesAvailable() == 0) {
            if (deadline.hasExpired())
                throw fail(QStringLiteral("tempo esgotado aguardando a resposta"));
            if (socket->state() != QAbstractSocket::ConnectedState ||
                socket->error() != QAbstractSocket::UnknownSocketError)
                throw fail(socketErrorText(*socket));
        }
    }

    wire::Reply reply;
    try {
        reply = wire::decodeReply(*item);
    } catch (const EConnectionError &e) {
        throw fail(e.Message());
    }
    if (reply.fault)
        throw EConnectionError(QStringLiteral("O servidor \"%1\" recusou a chamada \"%2\": %3")
                                   .arg(m_serverName, method, *reply.fault));
    for (const auto &[index, value] : reply.byRef) {
        if (index >= 0 && index < args.size() && args[index].ref()) *args[index].ref() = value;
    }
    return reply.result;
}
