#pragma once

#include "DataPacket.h"
#include "QtPrinters.h"
#include "TNetConnection.h"

#include <QStringList>
#include <memory>

class ServerProcess;

// Both modules of one running server over real loopback connections, with the replies read
// the way the screen reads them.
class TestClient
{
public:
    explicit TestClient(const ServerProcess &server);
    TestClient(const ServerProcess &server, const ServerAccess &access); // another session

    Variant dimensao(const QString &method, const QList<RemoteArg> &args);
    Variant estrutura(const QString &method, const QList<RemoteArg> &args);
    TNetConnection &dimensaoConnection() { return *m_dimensao; }

    // The packet a reply carries; the test fails when the reply is a server failure.
    static packet::Packet packetOf(const Variant &reply);
    // The message of a server-failure reply; "" when the reply is none.
    static QString failureOf(const Variant &reply);
    // One column of a packet, by field name.
    static QStringList column(const packet::Packet &p, const QString &field);

    packet::Packet dimensions(const QString &code = QString(), const QString &name = QString());
    packet::Packet extras(const QString &code);
    QStringList codes() { return column(dimensions(), "NRSEQUEDIME"); }
    // Asks for the list until it comes without a failure (the server has seen its database
    // answer again) or the time runs out: the last failure, "" once it came.
    QString failureUntilAnswered(int ms);
    // "" when the save went through, else the server's message.
    QString saveDimensions(const Variant &delta);
    QString saveExtras(const Variant &delta);

private:
    std::unique_ptr<TNetConnection> m_dimensao;
    std::unique_ptr<TNetConnection> m_estrutura;
};
