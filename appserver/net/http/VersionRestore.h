#pragma once

#include "ApiExchange.h"

class ServerCalls;

// Brings a dimension back to how it stood right after its last change at or before a moment:
// its fields and its extra attributes. The saves are those the screen's restore makes (extras
// the version lacks deleted, the dimension altered or included again, the version's extras
// included or renamed), sent as one journal to the dry-run module: rehearsed and rolled back,
// or confirmed in one transaction, all or nothing, each save under the same rules and audit.
class VersionRestore
{
public:
    VersionRestore(ServerCalls &calls, const QString &code) : m_calls(calls), m_code(code) {}

    ApiResponse run(const QString &at, bool dryRun);

private:
    ServerCalls &m_calls;
    QString m_code;
};
