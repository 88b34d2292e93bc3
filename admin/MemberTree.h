#pragma once

#include "DataPacket.h"

#include <QString>
#include <functional>
#include <memory>

class TNetConnection;
struct AdminServer;

// The members of one stored dimension as a tree, read from "KZR01200.rdmAnalise" one page at a
// time and written out as each page comes (layouts in docs/admin.md): never the whole table in
// memory. Members on a cycle, or below one, are in no tree and so are left out; kzr-admin check
// tells of them.
class MemberTree
{
public:
    using Sink = std::function<void(const QString &)>;

    // Exception when no dimension has that code, or with the server's message on a failure.
    MemberTree(const AdminServer &server, const QString &code);
    ~MemberTree();

    void writeJson(const Sink &sink);
    void writeCsv(const Sink &sink);

private:
    struct Visitor
    {
        // A member at its level (1 for the top), with the page's row; whether it has children.
        std::function<void(const packet::Row &row, int level, bool hasChildren)> enter;
        // After the member's children (only called when it had some).
        std::function<void(int level)> leave;
    };
    void walk(const Visitor &visitor);
    packet::Packet page(const std::optional<QString> &parentKey,
                        const std::optional<QString> &after);

    std::unique_ptr<TNetConnection> m_analise;
    QString m_table, m_key, m_attribute, m_parent, m_name;
};
