#include "ServerMetrics.h"

#include <algorithm>

namespace {

constexpr const char *FailureNames[] = {"malformed", "unknown_method", "arguments",
                                        "refused",   "method",         "internal"};

// A label value: backslash, quote and line feed escaped.
QString label(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}

void header(QString &out, const char *name, const char *type, const char *help)
{
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
               .arg(QLatin1String(name), QString::fromUtf8(help), QLatin1String(type));
}

void single(QString &out, const char *name, const char *type, const char *help, quint64 value)
{
    header(out, name, type, help);
    out += QStringLiteral("%1 %2\n").arg(QLatin1String(name)).arg(value);
}

} // namespace

ServerMetrics::ServerMetrics(QVector<std::pair<QString, QString>> methods)
    : m_methods(std::move(methods)),
      m_requests(std::make_unique<std::atomic<quint64>[]>(size_t(m_methods.size())))
{
}

void ServerMetrics::took(std::chrono::steady_clock::duration time)
{
    const qint64 us = std::chrono::duration_cast<std::chrono::microseconds>(time).count();
    const size_t bucket =
        size_t(std::lower_bound(BucketUs.begin(), BucketUs.end(), us) - BucketUs.begin());
    m_buckets[bucket].fetch_add(1, std::memory_order_relaxed);
    m_latencySumUs.fetch_add(quint64(std::max<qint64>(us, 0)), std::memory_order_relaxed);
}

QByteArray ServerMetrics::text(const Gauges &gauges) const
{
    QString out;
    header(out, "kzr_requests_total", "counter", "Pedidos recebidos, por módulo e método.");
    for (qsizetype i = 0; i < m_methods.size(); ++i)
        out += QStringLiteral("kzr_requests_total{module=\"%1\",method=\"%2\"} %3\n")
                   .arg(label(m_methods[i].first), label(m_methods[i].second))
                   .arg(m_requests[size_t(i)].load(std::memory_order_relaxed));
    header(out, "kzr_request_failures_total", "counter",
           "Pedidos não atendidos ou que falharam, por motivo.");
    for (size_t i = 0; i < m_failures.size(); ++i)
        out += QStringLiteral("kzr_request_failures_total{kind=\"%1\"} %2\n")
                   .arg(QLatin1String(FailureNames[i]))
                   .arg(m_failures[i].load(std::memory_order_relaxed));
    header(out, "kzr_request_duration_seconds", "histogram",
           "Tempo de atendimento dos pedidos por um trabalhador.");
    quint64 cumulative = 0;
    for (size_t i = 0; i < m_buckets.size(); ++i) {
        cumulative += m_buckets[i].load(std::memory_order_relaxed);
        const QString bound = i < BucketUs.size() ? QString::number(double(BucketUs[i]) / 1e6)
                                                  : QStringLiteral("+Inf");
        out += QStringLiteral("kzr_request_duration_seconds_bucket{le=\"%1\"} %2\n")
                   .arg(bound)
                   .arg(cumulative);
    }
    out += QStringLiteral("kzr_request_duration_seconds_sum %1\n")
               .arg(double(m_latencySumUs.load(std::memory_order_relaxed)) / 1e6);
    out += QStringLiteral("kzr_request_duration_seconds_count %1\n").arg(cumulative);
    single(out, "kzr_refused_logins_total", "counter", "Entradas recusadas (usuário ou senha).",
           gauges.refusedLogins);
    single(out, "kzr_sessions", "gauge", "Sessões vivas.", quint64(gauges.sessions));
    single(out, "kzr_connections", "gauge", "Conexões de clientes abertas.",
           quint64(gauges.connections));
    single(out, "kzr_queue_depth", "gauge", "Pedidos à espera de um trabalhador.",
           quint64(gauges.queued));
    single(out, "kzr_unread_reply_bytes", "gauge",
           "Bytes de respostas que os clientes ainda não leram.", quint64(gauges.unreadReplyBytes));
    single(out, "kzr_statement_deadlines_total", "counter",
           "Comandos ao banco de dados interrompidos no prazo.", gauges.deadlinesHit);
    return out.toUtf8();
}
