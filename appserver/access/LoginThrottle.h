#pragma once

#include "FailureCounts.h"

#include <QMutex>
#include <QString>

// Slows down password guessing: after each failed login, the refusal is held back longer (the
// base delay, doubled per failure since the last success, at most a minute). Failures are
// counted per user name and per client address, and the longer of the two waits counts: guesses
// at one name spread over many connections and addresses are slowed down all the same, and so
// are guesses at many names from one address. Shared by every connection of the server; its
// memory is bounded (see FailureCounts), and no volume of failures wipes it.
class LoginThrottle
{
public:
    explicit LoginThrottle(int baseDelayMs = 500, qsizetype capacity = 20000)
        : m_baseDelayMs(baseDelayMs), m_names(capacity), m_addresses(capacity)
    {
    }

    // How long to hold back this refusal, in milliseconds.
    int failed(const QString &user, const QString &address);
    // Forgets the failures of the name and of the address it came from.
    void succeeded(const QString &user, const QString &address);

    static constexpr int MaxDelayMs = 60000;

private:
    const int m_baseDelayMs;
    QMutex m_mutex;
    FailureCounts m_names;
    FailureCounts m_addresses;
};
