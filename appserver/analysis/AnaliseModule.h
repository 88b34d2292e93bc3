#pragma once

#include <chrono>

class MethodRegistry;
struct DatabaseDeadlines;

// The remote data module "KZR01200.rdmAnalise": what the data behind a dimension looks like.
// Read-only; every request runs under timeLimit().
class AnaliseModule
{
public:
    static constexpr const char *Name = "KZR01200.rdmAnalise";
    // The most members one page or one search answers.
    static constexpr int MembersPerPage = 1000;
    static void registerIn(MethodRegistry &registry, const DatabaseDeadlines &deadlines);

    // The server's statement limit (its watchdog cuts a request off only 2 s later), and never
    // more than 20 s, below the clients' own 30 s wait: the profile stops first and says why.
    static std::chrono::milliseconds timeLimit(const DatabaseDeadlines &deadlines);
};
