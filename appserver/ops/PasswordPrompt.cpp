#include "PasswordPrompt.h"

#include "Exceptions.h"

#include <cstdio>
#include <optional>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

std::optional<QString> readLine()
{
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

QString askHidden(const QString &prompt)
{
    std::fprintf(stderr, "%s", qPrintable(prompt));
    std::fflush(stderr);
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    const std::optional<QString> line = readLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    if (!line) throw Exception(QStringLiteral("Nenhuma senha informada."));
    return *line;
}

} // namespace

QString PasswordPrompt::read(const QString &user)
{
    if (!isatty(STDIN_FILENO)) {
        const std::optional<QString> line = readLine();
        if (!line) throw Exception(QStringLiteral("Nenhuma senha na entrada padrão."));
        return *line;
    }
    QString first = askHidden(QStringLiteral("Senha de %1: ").arg(user));
    const QString second = askHidden(QStringLiteral("Repita a senha: "));
    if (first != second) throw Exception(QStringLiteral("As senhas não conferem; nada mudou."));
    return first;
}
