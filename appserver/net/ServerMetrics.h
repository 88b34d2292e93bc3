#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <utility>

// The counts an operator watches, kept on the request path with relaxed atomics only (no lock,
// no allocation), and written out in Prometheus's text format when asked.
class ServerMetrics
{
public:
    // Why a request did not get what it asked for.
    enum class Failure { Malformed, UnknownMethod, Arguments, Refused, Method, Internal };

    // What is read only when the counts are written out.
    struct Gauges
    {
        qint64 connections = 0;
        qint64 sessions = 0;
        qint64 queued = 0;
        qint64 unreadReplyBytes = 0;
        quint64 refusedLogins = 0;
        quint64 deadlinesHit = 0;
    };

    // methods: module and method of every method that is counted, by index.
    explicit ServerMetrics(QVector<std::pair<QString, QString>> methods);

    void requested(int methodIndex)
    {
        m_requests[size_t(methodIndex)].fetch_add(1, std::memory_order_relaxed);
    }
    void failed(Failure kind) { m_failures[size_t(kind)].fetch_add(1, std::memory_order_relaxed); }
    void took(std::chrono::steady_clock::duration time);

    QByteArray text(const Gauges &gauges) const;

private:
    // Upper bounds of the latency buckets, in microseconds; one more bucket for the rest.
    static constexpr std::array<qint64, 10> BucketUs = {500,   1000,   5000,   10000,   25000,
                                                        50000, 100000, 500000, 1000000, 5000000};

    QVector<std::pair<QString, QString>> m_methods;
    std::unique_ptr<std::atomic<quint64>[]> m_requests;
    std::array<std::atomic<quint64>, 6> m_failures{};
    std::array<std::atomic<quint64>, BucketUs.size() + 1> m_buckets{}; // each its own, not summed
    std::atomic<quint64> m_latencySumUs{0};
};
