#pragma once

#include <QByteArray>

// Which share of the workers a request runs in (WorkerPool's lanes). Logins hash a password,
// which costs a worker the hash time and its memory whatever the password; the analysis
// module's calls read a table of any size. Each kind has a bounded share, so that the list
// reads and saves, and the logins, always find a worker however many of the others wait.
class RequestLane
{
public:
    enum Lane { General = 0, Login = 1, Analysis = 2 };

    static Lane of(const QByteArray &requestItem); // read from its module and method alone
    // The most workers of `workers` that may run the lane at once; General: all of them.
    static int share(Lane lane, int workers);
    // How many may wait for the lane's workers: past that the first in line is turned away
    // with the reply turnedAway() makes. Logins wait for a few hashes at most, whoever crowds
    // them; analysis calls wait in any number.
    static int waiting(Lane lane, int share);
    static QByteArray turnedAway(Lane lane);
};
