#pragma once

#include "AppServerDispatch.h"
#include "RemoteArg.h"
#include "ServerAccess.h"
#include "Variant.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class DryRunJournal;
class QTcpSocket;

// A socket connection to one remote data module of the application server.
class TNetConnection : public QObject
{
    Q_OBJECT
public:
    explicit TNetConnection(QObject *owner = nullptr, const QString &name = QString());
    ~TNetConnection() override;

    QString ServerName() const { return m_serverName; } // "KZR01200.rdmDimensao"
    void SetServerName(const QString &name) { m_serverName = name; }
    QString Host() const { return m_host; }
    void SetHost(const QString &host) { m_host = host; }
    int Port() const { return m_port; }
    void SetPort(int port) { m_port = port; }
    bool ThrowException() const { return m_throwException; }
    void SetThrowException(bool on) { m_throwException = on; }
    void SetTimeoutMs(int ms) { m_timeoutMs = ms; }

    // Setting true runs BeforeConnect, then tries to connect. With ThrowException false a
    // failure is not raised here: the connection still counts as connected and the first
    // call reports the failure. Setting false drops the socket.
    bool Connected() const { return m_connected; }
    void SetConnected(bool on);

    // Fetched afresh for every call.
    AppServerDispatch AppServer() { return AppServerDispatch(this); }

    std::function<void(TNetConnection *sender)> BeforeConnect;

    // Session and certificate trust. A connection without its own takes them from the
    // process-wide source (the framework installs one that asks the host) whenever it opens a
    // socket, as the screen's connections take host and port from the host at every connect.
    void SetAccess(const ServerAccess &access) { m_access = access; }
    static void SetAccessSource(std::function<ServerAccess()> source);
    // Told when the server answers that the session is over (never logged in, expired): the
    // host then asks for a new login. The call's reply still carries the server's message.
    static void SetSessionEndedHandler(std::function<void(const QString &message)> handler);
    // Host() may name several servers ("a:21201,b:21201", each without a port on Port()): a
    // call goes to the one that answered last and, when that one cannot be reached, is stopping
    // or breaks off a call that only reads, to the next, with the same session. Told, from the
    // calling thread, which server ("b:21201") answers whenever a connection moves.
    static void SetServerAnsweringHandler(std::function<void(const QString &server)> handler);
    QString ServerAnswering() const { return m_serverAnswering; } // empty before the first
    // Whether this connection tells that handler (default true). A connection working off the
    // user-interface thread keeps it to itself: the host learns it from its own next call.
    void SetReportsSessionEnd(bool on) { m_reportsSessionEnd = on; }

    // From any thread: breaks off the call under way on the thread that uses this connection
    // (it fails as a dropped connection does) and makes every later call fail at once. For a
    // connection that is being given up while a call may be waiting on the server.
    void Interrupt();

    // Run now and then (every WaitingSliceMs at most) while a call waits for its reply: a call
    // blocks the GUI thread, so this is where whatever must appear during a slow one (the busy
    // window) gets its turn.
    static void SetWaitingHandler(std::function<void()> handler);
    static constexpr int WaitingSliceMs = 50;

    // From now on every connection of the process sends its calls to the modules the journal
    // covers as steps of that dry run (nullptr: as real calls again).
    static void SetDryRun(std::shared_ptr<DryRunJournal> journal);

    // One synchronous request/reply exchange (used by AppServerDispatch). On a new socket it
    // first resumes the session; without one (or when it has ended) the reply is the
    // server-failure form saying so.
    Variant call(const QString &method, const QList<RemoteArg> &args);
    // The same to another module of the same server (the session module, for logging in).
    Variant callModule(const QString &module, const QString &method, const QList<RemoteArg> &args);

signals:
    void callMade(const QString &module, const QString &method); // diagnostics: what was sent

private:
    struct Endpoint
    {
        QString host;
        int port;
    };

    ServerAccess currentAccess() const;
    QList<Endpoint> endpoints() const;
    void moveOn(); // this server is stopping or gone: the next one is tried first
    bool connectTo(const Endpoint &server, QString *error, const QDeadlineTimer &deadline);
    Variant callOnce(const QString &module, const QString &method, const QList<RemoteArg> &args,
                     const QDeadlineTimer &deadline);
    // A save broken off on its way: what the next server shows of it. Its answer when it was
    // stored, Empty when it was not, nullopt when that cannot be told.
    std::optional<Variant> recheck(const QString &module, const QString &method,
                                   const QList<RemoteArg> &args, const QDeadlineTimer &deadline);
    // One deadline runs from the first connection attempt of a call to its reply.
    bool ensureSocket(QString *error, const QDeadlineTimer &deadline);
    // The failure reply when the session is over.
    std::optional<Variant> resumeSession(const QDeadlineTimer &deadline);
    Variant exchange(const QString &module, const QString &method, const QList<RemoteArg> &args,
                     const QDeadlineTimer &deadline);
    void dropSocket();
    void setDescriptor(qintptr descriptor); // -1 before the socket it names goes away

    QString m_serverName;
    QString m_host = QStringLiteral("127.0.0.1");
    int m_port; // the protocol's port unless set
    bool m_throwException = true;
    bool m_connected = false;
    int m_timeoutMs = 30000;
    std::optional<ServerAccess> m_access;
    ServerAccess m_socketAccess; // what the open socket was opened with
    bool m_sessionResumed = false; // the open socket has resumed m_socketAccess's session
    bool m_reportsSessionEnd = true;
    int m_serverIndex = 0;     // in endpoints(): the server of the open socket
    QString m_serverAnswering; // as told to the handler
    bool m_mayMove = false;      // the call's failure lets it go to another server
    bool m_brokenChange = false; // a save broke off after it was sent: checked before it goes again
    std::unique_ptr<QTcpSocket> m_socket;
    bool m_plainSocket = false; // no TLS: written and read at its descriptor
    // What Interrupt() may touch from another thread: the open socket's descriptor, guarded.
    std::atomic<bool> m_interrupted{false};
    QMutex m_descriptorLock;
    qintptr m_descriptor = -1;
};
