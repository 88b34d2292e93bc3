#pragma once

#include "DataPacket.h"
#include "HistoryEntry.h"

#include <memory>

class TNetConnection;
struct AdminServer;

// The dimensions and their extra attributes as the server keeps them, read through the same
// methods of "KZR01200.rdmDimensao" the screen uses. A server failure is raised as Exception
// with the server's message; a call that cannot be made as EConnectionError.
class DimensionSource
{
public:
    explicit DimensionSource(const AdminServer &server);
    ~DimensionSource();

    packet::Packet dimensions();                // getDimensao("", "")
    packet::Packet extras(const QString &code); // GetExtras(code)
    QList<HistoryEntry> history(const QString &code); // getHistorico(code), newest first
    bool holds(const QString &code);                  // a stored dimension has this code

    // The value of a field of a row, by the packet's field name; "" for null.
    static QString value(const packet::Packet &p, const packet::Row &row, const QString &field);

private:
    std::unique_ptr<TNetConnection> m_dimensao;
};
