// Time-stamp counter calibration; its second of waiting is a pacing wait.
#include "app/startup/TimeStampCalibration.h"

#include "kernel/hw/TimeStampCounter.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace rx_fwk {

std::uint64_t timeStampFrequency(std::uint64_t stampDelta, std::uint64_t counterDelta,
                                 std::uint64_t counterFrequency) {
    if (counterDelta == 0) {
        return counterFrequency;
    }
    const unsigned __int128 scaled = static_cast<unsigned __int128>(stampDelta) * counterFrequency;
    return static_cast<std::uint64_t>(scaled / counterDelta);
}

void calibrateTimeStampCounter() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    if (!TovHasTimeStampCounter()) {
        TovSetTimeStampFrequency(static_cast<ULONGLONG>(frequency.QuadPart));
        return;
    }
    HANDLE self = GetCurrentThread();
    const int priority = GetThreadPriority(self);
    SetThreadPriority(self, THREAD_PRIORITY_TIME_CRITICAL);
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    const ULONGLONG stampBefore = TovReadTimeStampCounter();
    TovPacingSleep(1000);
    QueryPerformanceCounter(&after);
    const ULONGLONG stampAfter = TovReadTimeStampCounter();
    SetThreadPriority(self, priority);
    TovSetTimeStampFrequency(timeStampFrequency(
        stampAfter - stampBefore, static_cast<std::uint64_t>(after.QuadPart - before.QuadPart),
        static_cast<std::uint64_t>(frequency.QuadPart)));
}

}  // namespace rx_fwk
