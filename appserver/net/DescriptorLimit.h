#pragma once

// The process's limit of open descriptors, which bounds how many clients can be connected at
// once: every connection holds one, and the server needs more for its own files and database
// connections. Running out is worse than refusing a client: then nothing can be opened at all.
class DescriptorLimit
{
public:
    // Raises the soft limit to the hard one, as far as the system allows; returns the limit.
    static int raise();
    // How many client connections fit beside what the server itself keeps open: a connection
    // holds two (its socket and the copy its workers write replies to and read requests from),
    // a SQLite connection up to three (database, journal, shared memory), the workers two for
    // what they wait on, refused clients one each for a moment, and a margin covers the rest.
    static int connectionRoom(int limit, int workers, int refusalsInFlight);
};
