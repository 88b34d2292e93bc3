#pragma once

#include <atomic>

// Whether the database is known not to answer: a request found it silent (cut off at its
// deadline after the whole statement timeout, or not connected within the connect timeout),
// and the health probe has not reached it since. The worker pool answers requests at once
// meanwhile, rather than let each wait its deadline out; the probe, which asks the database
// once a second whatever else happens, ends it. Any thread.
class DatabaseOutage
{
public:
    bool known() const { return m_known.load(std::memory_order_acquire); }
    void silent() { m_known.store(true, std::memory_order_release); }
    void answered() { m_known.store(false, std::memory_order_release); }

private:
    std::atomic<bool> m_known{false};
};
