#pragma once

#include <QString>

// Reads a password for the administration commands: from the terminal, without echo and
// twice to confirm; or, when standard input is no terminal (a script, a pipe), its first line.
// Passwords never go on the command line, where every user of the machine could read them.
class PasswordPrompt
{
public:
    // Throws Exception when no password could be read or the two entries differ.
    static QString read(const QString &user);
};
