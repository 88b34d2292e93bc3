#pragma once

#include <chrono>

class MethodRegistry;

// The remote data module "KZR01200.rdmAnalise": what the data behind a dimension looks like.
// Read-only; every request runs under TimeLimit.
class AnaliseModule
{
public:
    static constexpr const char *Name = "KZR01200.rdmAnalise";
    // Below the clients' own 30 s wait, so that a client hears why rather than timing out.
    static constexpr std::chrono::milliseconds TimeLimit{20000};
    static void registerIn(MethodRegistry &registry);
};
