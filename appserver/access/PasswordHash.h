#pragma once

#include <QString>

// Salted password hashes: Argon2id through libsodium, stored in its self-describing text form
// ("$argon2id$v=19$m=...,t=...,p=1$salt$hash"), so that a hash keeps verifying after the cost
// of new hashes changes.
class PasswordHash
{
public:
    enum class Cost { Minimum, Interactive, Moderate };

    // The cost of new hashes: KZR_PASSWORD_COST ("minimum", "interactive", "moderate"),
    // interactive when unset. "minimum" is for tests only: it keeps them fast.
    static Cost configuredCost();

    // Throws Exception when the hash cannot be made (out of memory).
    static QString make(const QString &password, Cost cost = configuredCost());
    static bool matches(const QString &storedHash, const QString &password);
};
