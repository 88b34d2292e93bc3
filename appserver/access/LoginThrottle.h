#pragma once

#include "FailureCounts.h"

#include <QMutex>
#include <QString>
#include <chrono>

// Slows down password guessing. Each failed login holds its name and the address it came from
// back (the base delay, doubled per failure, at most a minute); while either is held back, a
// login is refused without its password being checked, so a right password sent then is not
// let in early and a guesser who gives up waiting learns nothing. Failures are counted per
// user name and per client address, and the longer wait counts: guesses at one name spread
// over many connections and addresses are slowed down all the same, and so are guesses at many
// names from one address. A success forgets the failures of its name only: a guesser's own
// login does not reset the address. Counts are forgotten after a quarter of an hour without
// failures. Shared by every connection of the server; its memory is bounded (see
// FailureCounts), and no volume of failures wipes it.
class LoginThrottle
{
public:
    using Clock = FailureCounts::Clock;

    explicit LoginThrottle(int baseDelayMs = 500, qsizetype capacity = 20000)
        : m_baseDelayMs(baseDelayMs), m_names(capacity), m_addresses(capacity)
    {
    }

    // How much longer the name or the address is held back; zero: the login may be checked.
    std::chrono::milliseconds heldBack(const QString &user, const QString &address,
                                       Clock::time_point now = Clock::now());
    // A failed check: how long both are held back from now on, in milliseconds.
    int failed(const QString &user, const QString &address, Clock::time_point now = Clock::now());
    void succeeded(const QString &user);

    static constexpr int MaxDelayMs = 60000;
    static constexpr std::chrono::minutes ForgetAfter{15};

private:
    const int m_baseDelayMs;
    QMutex m_mutex;
    FailureCounts m_names;
    FailureCounts m_addresses;
};
