#pragma once

#include "Variant.h"

#include <QList>
#include <QString>
#include <QStringList>

class RemoteArg;

// The client's side of a dry run (the server's DryRun): a call to a module it covers goes to
// the server wrapped with the saves that went through before it in the same run, and a save
// that goes through is written down for the calls after it. Installed for the whole process
// with TNetConnection::SetDryRun.
class DryRunJournal
{
public:
    static constexpr const char *Module = "KZR.Simulacao";
    static constexpr const char *Method = "executa";
    // Saves the journal for real, in one transaction: all of it or, on a refusal, nothing.
    static constexpr const char *ConfirmMethod = "confirma";

    explicit DryRunJournal(QStringList modules) : m_modules(std::move(modules)) {}

    bool covers(const QString &module) const { return m_modules.contains(module); }
    // The wrapped call's arguments: the journal, then the call itself.
    QList<RemoteArg> wrap(const QString &module, const QString &method,
                          const QList<RemoteArg> &args) const;
    // The call's own reply out of the wrapped one; its by-reference values are written back into
    // args, and a save is kept for the calls after it. EConnectionError for an unreadable reply.
    Variant unwrap(const Variant &reply, const QList<RemoteArg> &args);

    // The saves that went through, as ConfirmMethod takes them.
    Variant saves() const { return Variant::fromArray(m_saves); }
    bool empty() const { return m_saves.isEmpty(); }

private:
    QStringList m_modules;
    QList<Variant> m_saves; // [module, method, [args]] each, in the order they went through
};
