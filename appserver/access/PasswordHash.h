#pragma once

#include <QString>

// Salted password hashes: Argon2id through libsodium, stored in its self-describing text form
// ("$argon2id$v=19$m=...,t=...,p=1$salt$hash"), so that a hash keeps verifying after the cost
// of new hashes changes.
class PasswordHash
{
public:
    // The command-line flag (without its dashes) that lowers the cost of new hashes to the
    // least libsodium allows. For tests only, which make users by the dozen: its name says so,
    // and the server warns whenever it is given.
    static constexpr const char *TestCostFlag = "insecure-password-cost-for-tests";
    static void lowerCostForTests();

    // Throws Exception when the hash cannot be made (out of memory).
    static QString make(const QString &password);
    static bool matches(const QString &storedHash, const QString &password);
    // Takes as long as matching a stored hash of the current cost, and never matches: what a
    // login for an unknown name costs, so that its refusal tells nothing a wrong password
    // would not.
    static void matchNone(const QString &password);
};
