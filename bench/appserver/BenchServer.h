#pragma once

#include <QString>
#include <QStringList>

class LoadGang;
class ServerProcess;
namespace benchmark {
class State;
}

// Starting the server for a benchmark, shared by every server benchmark: a SQLite file made
// beforehand as an existing database would be, the start itself, and the dimensions stored
// through the server. Each step prints why it failed and answers false.
namespace bench_server {

QString codeOf(int i); // the stored form, five digits

// A SQLite file in the server's temporary folder, in the WAL mode the server gives the files
// it creates itself, after the given statements; its path, empty on failure.
QString sqliteFile(const ServerProcess &server, const QString &fileName,
                   const QStringList &statements = {});

// The statements of a table MEMBRO of that many members, a clean hierarchy ten wide per parent,
// with an index on the parent as a real dimension table would have.
QStringList memberTable(int members);

bool start(ServerProcess &server, const QString &databaseUrl = QString());

double residentMiB(qint64 pid); // a process's resident memory, 0 when it cannot be read

// The application table the stored dimensions name (key CDCLIENTE, main attribute NMCLIENTE),
// for a database made without the server's demo content.
inline constexpr const char *ClientTable =
    "CREATE TABLE CLIENTE (CDCLIENTE INTEGER PRIMARY KEY, NMCLIENTE VARCHAR(60))";

// Stores the dimensions first .. first + count - 1 in one save, named by the pattern ("%1" is
// the code); true when the server answered with a list.
bool storeDimensions(const ServerProcess &server, int first, int count, const QString &namePattern);

// Runs the gang's rounds as the benchmark's iterations; counters: requests per second and the
// p99 latency.
void runRounds(benchmark::State &state, LoadGang &gang);

// A benchmark program's main: Qt's application object, then every benchmark asked for.
int runBenchmarks(int argc, char **argv);

} // namespace bench_server
