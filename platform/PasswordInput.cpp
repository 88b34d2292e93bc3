#include "PasswordInput.h"

#include "Exceptions.h"
#include "FileErrorText.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

QString uptoLineEnd(const QString &text)
{
    const auto end = std::find_if(text.cbegin(), text.cend(), [](QChar c) {
        return c == QLatin1Char('\r') || c == QLatin1Char('\n');
    });
    return text.left(end - text.cbegin());
}

std::optional<QString> readLine()
{
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return uptoLineEnd(QString::fromStdString(line));
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

std::optional<QString> PasswordInput::firstLineOf(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Não foi possível ler o arquivo de senha %1: %2")
                     .arg(fileName, FileErrorText::reading(file));
        return std::nullopt;
    }
    return uptoLineEnd(QString::fromUtf8(file.readLine()));
}

QString PasswordInput::fromStandardInput(const QString &prompt, bool confirm)
{
    if (!isatty(STDIN_FILENO)) {
        const std::optional<QString> line = readLine();
        if (!line) throw Exception(QStringLiteral("Nenhuma senha na entrada padrão."));
        return *line;
    }
    QString first = askHidden(prompt);
    if (confirm && askHidden(QStringLiteral("Repita a senha: ")) != first)
        throw Exception(QStringLiteral("As senhas não conferem; nada mudou."));
    return first;
}
