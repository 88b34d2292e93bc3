#include "LimitOptions.h"

#include "Exceptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

enum Option {
    MaxConnections,
    MaxQueuedRequests,
    MaxFrameBytes,
    InputBudget,
    OutputBuffer,
    OutputBudget,
    FrameTimeout,
    WriteStallTimeout,
    IdleTimeout,
    ConnectTimeout,
    StatementTimeout,
};

QString mib(qint64 bytes)
{
    return QStringLiteral("%1M").arg(bytes / (1024 * 1024));
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

[[noreturn]] void refuse(const QString &name, const QString &expected, const QString &given)
{
    throw Exception(QStringLiteral("--%1 espera %2, recebeu \"%3\".").arg(name, expected, given));
}

// A count of bytes, with an optional K, M or G (powers of 1024).
qint64 bytesOf(const QString &name, const QString &text, qint64 least, qint64 most)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,12})([KMG]?)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(text.trimmed());
    const QString expected =
        QStringLiteral("um tamanho em bytes de %1 a %2 (sufixos K, M, G)").arg(least).arg(most);
    if (!match.hasMatch()) refuse(name, expected, text);
    const QString suffix = match.captured(2).toUpper();
    const int shift = suffix.isEmpty() ? 0 : 10 * int(QStringLiteral(" KMG").indexOf(suffix));
    const qint64 count = match.captured(1).toLongLong();
    // Checked before the shift, which could otherwise overflow.
    if (count > (most >> shift) || (count << shift) < least) refuse(name, expected, text);
    return count << shift;
}

// Seconds, fractions allowed; 0 only where the limit may be switched off.
int millisecondsOf(const QString &name, const QString &text, bool zeroMeansNone)
{
    bool ok = false;
    const double s = text.toDouble(&ok);
    const QString expected = zeroMeansNone ? QStringLiteral("segundos (0: sem limite)")
                                           : QStringLiteral("segundos, mais que 0");
    if (!ok || !std::isfinite(s) || s < 0 || s > 86400 * 7 || (s == 0 && !zeroMeansNone) ||
        (s > 0 && s < 0.001))
        refuse(name, expected, text);
    return int(std::lround(s * 1000));
}

int countOf(const QString &name, const QString &text, int least, int most)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < least || n > most)
        refuse(name, QStringLiteral("um número de %1 a %2").arg(least).arg(most), text);
    return n;
}

} // namespace

LimitOptions::LimitOptions()
{
    const ConnectionLimits l;
    const DatabaseDeadlines d;
    const auto option = [](const char *name, const QString &text, const char *value) {
        return QCommandLineOption(QLatin1String(name), text, QLatin1String(value));
    };
    m_options = {
        option(
            "max-connections",
            QStringLiteral("Conexões de clientes ao mesmo tempo; a que passar recebe uma falha e "
                           "é fechada (padrão %1).")
                .arg(l.maxConnections),
            "N"),
        option(
            "max-queued-requests",
            QStringLiteral("Requisições que um cliente pode enfileirar numa conexão (padrão %1).")
                .arg(l.maxQueuedRequests),
            "N"),
        option("max-frame-bytes",
               QStringLiteral("Maior quadro aceito; é também o que uma conexão guarda de "
                              "requisições recebidas (padrão %1 bytes).")
                   .arg(l.maxFrameBytes),
               "BYTES"),
        option("input-budget",
               QStringLiteral("Total de bytes de quadros recebidos que o servidor guarda de todas "
                              "as conexões juntas; além disso a leitura espera (padrão %1).")
                   .arg(mib(l.inputBudgetBytes)),
               "BYTES"),
        option("output-buffer",
               QStringLiteral("Bytes de respostas não lidas por conexão; além disso o servidor "
                              "para de ler dessa conexão (padrão %1).")
                   .arg(mib(l.outputBufferBytes)),
               "BYTES"),
        option("output-budget",
               QStringLiteral("Total de bytes de respostas não lidas de todas as conexões juntas; "
                              "além disso uma conexão com respostas não lidas só é atendida "
                              "depois de lê-las (padrão %1).")
                   .arg(mib(l.outputBudgetBytes)),
               "BYTES"),
        option("frame-timeout",
               QStringLiteral("Segundos para um quadro chegar inteiro (padrão %1).")
                   .arg(seconds(l.frameTimeoutMs)),
               "S"),
        option("write-stall-timeout",
               QStringLiteral("Segundos que um cliente pode deixar de ler suas respostas antes de "
                              "ser desconectado (padrão %1).")
                   .arg(seconds(l.writeStallTimeoutMs)),
               "S"),
        option("idle-timeout",
               QStringLiteral("Segundos sem requisições após os quais uma conexão é fechada "
                              "(padrão %1; 0: nunca).")
                   .arg(seconds(l.idleTimeoutMs)),
               "S"),
        option("connect-timeout",
               QStringLiteral("Segundos para conectar ao banco de dados (padrão %1).")
                   .arg(seconds(d.connectTimeoutMs)),
               "S"),
        option("statement-timeout",
               QStringLiteral("Segundos que um comando ao banco de dados pode levar, espera por "
                              "bloqueio incluída (padrão %1).")
                   .arg(seconds(d.statementTimeoutMs)),
               "S"),
    };
}

void LimitOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions(m_options);
}

void LimitOptions::read(const QCommandLineParser &parser, ConnectionLimits &limits,
                        DatabaseDeadlines &deadlines) const
{
    const auto given = [&](Option o) -> std::optional<std::pair<QString, QString>> {
        const QCommandLineOption &option = m_options.at(o);
        if (!parser.isSet(option)) return std::nullopt;
        return std::pair{option.names().first(), parser.value(option)};
    };
    if (auto v = given(MaxConnections))
        limits.maxConnections = countOf(v->first, v->second, 1, 1'000'000);
    if (auto v = given(MaxQueuedRequests))
        limits.maxQueuedRequests = countOf(v->first, v->second, 1, 100'000);
    if (auto v = given(MaxFrameBytes))
        limits.maxFrameBytes = quint32(bytesOf(v->first, v->second, 1024, wire::MaxFrameBytes));
    if (auto v = given(InputBudget))
        limits.inputBudgetBytes =
            bytesOf(v->first, v->second, 1024, std::numeric_limits<qint64>::max() / 4);
    if (auto v = given(OutputBuffer))
        limits.outputBufferBytes = bytesOf(v->first, v->second, 1024, qint64(1) << 40);
    if (auto v = given(OutputBudget))
        limits.outputBudgetBytes = bytesOf(v->first, v->second, 1024, qint64(1) << 40);
    if (auto v = given(FrameTimeout))
        limits.frameTimeoutMs = millisecondsOf(v->first, v->second, false);
    if (auto v = given(WriteStallTimeout))
        limits.writeStallTimeoutMs = millisecondsOf(v->first, v->second, false);
    if (auto v = given(IdleTimeout))
        limits.idleTimeoutMs = millisecondsOf(v->first, v->second, true);
    if (auto v = given(ConnectTimeout))
        deadlines.connectTimeoutMs = millisecondsOf(v->first, v->second, false);
    if (auto v = given(StatementTimeout))
        deadlines.statementTimeoutMs = millisecondsOf(v->first, v->second, false);
    // The budget must hold at least one frame of the largest size, or that frame never fits.
    if (limits.inputBudgetBytes < 4 + qint64(limits.maxFrameBytes))
        throw Exception(QStringLiteral("--input-budget (%1 bytes) deve caber ao menos um quadro "
                                       "de --max-frame-bytes (%2 bytes).")
                            .arg(limits.inputBudgetBytes)
                            .arg(4 + qint64(limits.maxFrameBytes)));
}
