#pragma once

#include <QString>
#include <optional>

// Passwords read where no one else can see them: the first line of a file, standard input when
// it is no terminal (a script, a pipe), or the terminal without echo. Never the command line,
// where every user of the machine could read them.
class PasswordInput
{
public:
    // The first line of the file, which ends at the first "\n" or "\r" (a file written on any
    // system gives the same password); nullopt, with why in error, when it cannot be read.
    static std::optional<QString> firstLineOf(const QString &fileName, QString *error);

    // Standard input's first line when it is no terminal; otherwise asks on the terminal,
    // without echo, with the prompt (and, when confirm, a second time to compare). Throws
    // Exception when no password was given or the two entries differ.
    static QString fromStandardInput(const QString &prompt, bool confirm);
};
