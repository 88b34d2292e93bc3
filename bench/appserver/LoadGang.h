#pragma once

#include <barrier>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;

// A fixed gang of threads that run one round of work together on request: each thread sets
// up what it owns (a connection) once, then every round runs `perRequest` `requests` times
// and records each latency. Setting up is kept out of the rounds that are measured.
class LoadGang
{
public:
    using Setup = std::function<std::function<void(int request)>(int thread)>;

    LoadGang(int threads, int requestsPerRound, Setup setup);
    ~LoadGang();

    void runRound(); // returns when every thread has finished its requests
    std::vector<double> takeLatenciesMs();

private:
    void work(int index);

    int m_requests;
    Setup m_setup;
    std::barrier<> m_start;
    std::barrier<> m_done;
    bool m_stop = false;
    std::mutex m_mutex;
    std::vector<double> m_latencies;
    std::vector<std::unique_ptr<QThread>> m_threads;
};
