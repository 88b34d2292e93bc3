#pragma once

#include "Variant.h"
#include "WireProtocol.h"

class Database;
class Gatekeeper;
class MethodRegistry;
struct ConnectionSession;

// A dry run of a client (kzr-admin import --dry-run, a restore of the screen's history): each of
// its calls comes with the saves that went through before it in the same run, its journal. In
// one transaction that is always rolled back (SharedTransaction) the journal is saved again and
// then the call runs, through the same methods, rights and rules as any call: its answer is the
// one the real run would get at that point, refusals included, and nothing stays.
//
//   executa  args: [journal, module, method, [args]]; journal: [[module, method, [args]], ...]
//            answer: [reply, entry (the call's journal entry when it saved, else Null),
//                     [[by-reference index, value], ...]]
//
// A run whose every step went through may then be confirmed: its journal saved for real, the
// same way, in one transaction that is committed only when every save goes through again, so a
// refusal anywhere (data changed since the run) leaves nothing behind.
//
//   confirma args: [journal], saves only; answer: [reply of each save], or the first refusal
class DryRun
{
public:
    static constexpr const char *Module = "KZR.Simulacao";

    DryRun(const MethodRegistry &registry, Gatekeeper &gatekeeper)
        : m_registry(registry), m_gatekeeper(gatekeeper)
    {
    }

    // Throws CallFault when the request is not of that form or names an unknown method.
    Variant run(const wire::Request &request, Database &db, ConnectionSession &caller) const;

private:
    Variant confirm(const QList<Variant> &args, Database &db, ConnectionSession &caller) const;
    Variant call(const Variant &entry, Database &db, ConnectionSession &caller,
                 QList<std::pair<int, Variant>> *byRef) const;

    const MethodRegistry &m_registry;
    Gatekeeper &m_gatekeeper;
};
