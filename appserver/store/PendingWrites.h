#pragma once

#include <atomic>

// Write transactions under way in this server. On a SQLite file without WAL a reader's lock
// holds a writer's commit back for as long as the reader reads, so a long read (a data profile)
// gives way to them instead of making a save wait.
class PendingWrites
{
public:
    static int count() { return s_count.load(std::memory_order_relaxed); }

    // Counts one write transaction for as long as it lives.
    class Announcement
    {
    public:
        Announcement() { s_count.fetch_add(1, std::memory_order_relaxed); }
        ~Announcement() { s_count.fetch_sub(1, std::memory_order_relaxed); }
        Announcement(const Announcement &) = delete;
        Announcement &operator=(const Announcement &) = delete;
    };

private:
    static inline std::atomic<int> s_count{0};
};
