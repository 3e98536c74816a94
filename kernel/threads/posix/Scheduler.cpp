// Priority levels over the kernel's thread records; the time-slice counter from the host's
// count of the thread's context switches.
#include "kernel/threads/Scheduler.h"

#include <sys/resource.h>
#include <time.h>

#include <cstdint>

#include "kernel/threads/posix/ThreadRecord.h"

namespace {

struct Slice {
    long switches = -1;
    std::uint64_t startedAt = 0;  // microseconds, CLOCK_MONOTONIC
};

thread_local Slice tSlice;

std::uint64_t nowMicroseconds() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace

int TovCurrentThreadPriorityLevel() {
    return TovCurrentThread()->priority.load() + kTovPriorityLevelOffset;
}

void TovStepCurrentThreadPriority(int steps) {
    TovCurrentThread()->priority.fetch_add(steps);
}

DWORD TovTimeSliceCounter() {
    rusage usage;
    const std::uint64_t now = nowMicroseconds();
    if (::getrusage(RUSAGE_THREAD, &usage) != 0) {
        return 0;
    }
    const long switches = usage.ru_nvcsw + usage.ru_nivcsw;
    if (switches != tSlice.switches) {
        tSlice.switches = switches;
        tSlice.startedAt = now;
    }
    const std::uint64_t running = now - tSlice.startedAt;
    return running > UINT32_MAX ? UINT32_MAX : static_cast<DWORD>(running);
}
