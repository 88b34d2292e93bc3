#include "TestClient.h"

#include "ServerFailure.h"
#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

TestClient::TestClient(const ServerProcess &server) : TestClient(server, server.access()) {}

TestClient::TestClient(const ServerProcess &server, const ServerAccess &access)
    : m_dimensao(server.connect("KZR01200.rdmDimensao", access)),
      m_estrutura(server.connect("KZR00600.rdmEstrutura", access))
{
}

Variant TestClient::dimensao(const QString &method, const QList<RemoteArg> &args)
{
    return m_dimensao->AppServer().Call(method, args);
}

Variant TestClient::estrutura(const QString &method, const QList<RemoteArg> &args)
{
    return m_estrutura->AppServer().Call(method, args);
}

packet::Packet TestClient::packetOf(const Variant &reply)
{
    EXPECT_FALSE(server_failure::is(reply)) << server_failure::message(reply).toStdString();
    if (server_failure::is(reply) || reply.kind() != Variant::Kind::Bytes) {
        ADD_FAILURE() << "the reply is no data packet";
        return {};
    }
    return packet::fromVariant(reply);
}

QString TestClient::failureOf(const Variant &reply)
{
    return server_failure::message(reply);
}

QStringList TestClient::column(const packet::Packet &p, const QString &field)
{
    int index = -1;
    for (int i = 0; i < p.fields.size(); ++i)
        if (p.fields[i].name == field) index = i;
    QStringList values;
    if (index < 0) {
        ADD_FAILURE() << "no field " << field.toStdString() << " in the packet";
        return values;
    }
    for (const packet::Row &row : p.rows)
        values << row[index].value_or("<null>");
    return values;
}

packet::Packet TestClient::dimensions(const QString &code, const QString &name)
{
    return packetOf(dimensao("getDimensao", {code, name}));
}

packet::Packet TestClient::extras(const QString &code)
{
    return packetOf(dimensao("GetExtras", {code}));
}

QString TestClient::saveDimensions(const Variant &delta)
{
    return failureOf(dimensao("SetDimensao", {delta}));
}

QString TestClient::saveExtras(const Variant &delta)
{
    return failureOf(dimensao("setExtras", {delta}));
}

QString TestClient::failureUntilAnswered(int ms)
{
    QString failure = "?";
    for (QDeadlineTimer deadline(ms); !failure.isEmpty() && !deadline.hasExpired();) {
        failure = failureOf(dimensao("getDimensao", {QString(), QString()}));
        if (!failure.isEmpty()) QThread::msleep(200);
    }
    return failure;
}
