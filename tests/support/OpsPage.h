#pragma once

#include <QString>
#include <utility>

class ServerProcess;

// The operations page of a server started with "--metrics 127.0.0.1:0": its health and its
// metrics over plain HTTP, at the port the server announced.
class OpsPage
{
public:
    explicit OpsPage(const ServerProcess &server);
    quint16 port() const { return m_port; } // 0: the server announced none

    std::pair<int, QString> get(const QString &path) const; // status and body
    // Waits up to ms for /health to answer the status; the last status seen.
    int waitForHealth(int status, int ms) const;
    double metric(const QString &series) const; // -1 when the series is missing
    static double metricIn(const QString &page, const QString &series);

private:
    quint16 m_port = 0;
};
