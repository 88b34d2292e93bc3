#include "DescriptorLimit.h"

#include <QtGlobal>
#include <algorithm>
#include <limits>
#include <sys/resource.h>

int DescriptorLimit::raise()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::numeric_limits<int>::max();
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY) return std::numeric_limits<int>::max();
    return int(std::min<rlim_t>(limit.rlim_cur, std::numeric_limits<int>::max()));
}

int DescriptorLimit::connectionRoom(int limit, int workers, int refusalsInFlight)
{
    constexpr int Margin = 32;
    constexpr int WorkersPoll = 2; // the set the idle workers wait on and its queue counter
    const qint64 room =
        (qint64(limit) - 3 * qint64(workers) - WorkersPoll - refusalsInFlight - Margin) / 2;
    return int(std::clamp<qint64>(room, 1, std::numeric_limits<int>::max()));
}
