#include "LoadGang.h"

#include <QThread>

LoadGang::LoadGang(int threads, int requestsPerRound, Setup setup)
    : m_requests(requestsPerRound), m_setup(std::move(setup)), m_start(threads + 1),
      m_done(threads + 1)
{
    for (int i = 0; i < threads; ++i) {
        m_threads.emplace_back(QThread::create([this, i] { work(i); }));
        m_threads.back()->start();
    }
    runRound(); // every thread has set up and warmed its connection
    takeLatenciesMs();
}

LoadGang::~LoadGang()
{
    m_stop = true;
    m_start.arrive_and_wait();
    for (auto &thread : m_threads)
        thread->wait();
}

void LoadGang::runRound()
{
    m_start.arrive_and_wait();
    m_done.arrive_and_wait();
}

std::vector<double> LoadGang::takeLatenciesMs()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_latencies, {});
}

void LoadGang::work(int index)
{
    const std::function<void(int)> request = m_setup(index);
    std::vector<double> mine;
    for (;;) {
        m_start.arrive_and_wait();
        if (m_stop) return;
        mine.clear();
        for (int r = 0; r < m_requests; ++r) {
            const auto begin = std::chrono::steady_clock::now();
            request(r);
            mine.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                    .count());
        }
        {
            std::lock_guard lock(m_mutex);
            m_latencies.insert(m_latencies.end(), mine.begin(), mine.end());
        }
        m_done.arrive_and_wait();
    }
}
