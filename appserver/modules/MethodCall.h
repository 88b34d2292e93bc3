#pragma once

#include "DataPacket.h"
#include "Parameter.h"
#include "Variant.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>
#include <utility>

// The arguments of one call, checked against the method's declaration, and what the method
// writes back into its by-reference arguments.
class MethodCall
{
public:
    // Throws CallFault naming the method and the argument that does not fit.
    MethodCall(const QString &method, const QVector<Parameter> &parameters,
               const QList<Variant> &args);

    QString text(int index) const;
    std::optional<QString> textOrNull(int index) const;
    qint64 integer(int index) const;
    const packet::Packet &changes(int index) const;
    QStringList names(int index) const;

    // Who made the call: the user of the caller's session (the audit trail names them).
    const QString &caller() const { return m_caller; }
    void setCaller(const QString &user) { m_caller = user; }

    void writeBack(int index, const Variant &value);
    const QList<std::pair<int, Variant>> &byRef() const { return m_byRef; }

private:
    QList<Variant> m_args;
    QVector<packet::Packet> m_packets; // decoded change packets, by argument index
    QList<std::pair<int, Variant>> m_byRef;
    QString m_caller;
};
