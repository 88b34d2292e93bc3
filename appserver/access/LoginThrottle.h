#pragma once

#include <QHash>
#include <QMutex>
#include <QString>

// Slows down password guessing: after each failed login for a user name, the refusal is held
// back longer (the base delay, doubled per failure since the last success, at most a minute).
// Counted per name, so guesses spread over many connections are slowed down all the same.
class LoginThrottle
{
public:
    explicit LoginThrottle(int baseDelayMs = 500) : m_baseDelayMs(baseDelayMs) {}

    int failed(const QString &user); // how long to hold back this refusal, in milliseconds
    void succeeded(const QString &user);

    static constexpr int MaxDelayMs = 60000;

private:
    const int m_baseDelayMs;
    QMutex m_mutex;
    QHash<QString, int> m_failures;
};
