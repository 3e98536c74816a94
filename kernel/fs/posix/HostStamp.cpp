#include "kernel/fs/posix/HostStamp.h"

#include "kernel/time/posix/Clock.h"

namespace {

constexpr long kNanosecondsPerSecond = 1000000000;
// FAT keeps modification times in 2-second steps.
constexpr long long kWholeSecondGranule = 2LL * kNanosecondsPerSecond;

long long nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * kNanosecondsPerSecond + t.tv_nsec;
}

// Versions keep times in 100 ns units, so no granule is finer than that.
long long granule(long fraction) {
    if (fraction == 0) {
        return kWholeSecondGranule;
    }
    long long step = 1;
    while (fraction % 10 == 0) {
        fraction /= 10;
        step *= 10;
    }
    return step < 100 ? 100 : step;
}

ULONGLONG fileTime(const timespec& t) {
    FILETIME f = TovFileTimeFromTimespec(t);
    return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

timespec TovStampClock() {
    // File systems stamp with the coarse clock; it is also the cheaper one to read.
    timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

bool TovStampSettled(const struct stat& status, const timespec& clock) {
    // Every change sets the status-change time to the current time (the modification time
    // may be set to anything), so it alone dates the last change.
    const timespec& stamp = status.st_ctim;
    return nanoseconds(clock) >= nanoseconds(stamp) + granule(stamp.tv_nsec);
}

bool TovSameStamp(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           sameTime(a.st_mtim, b.st_mtim) && sameTime(a.st_ctim, b.st_ctim);
}

TovFileVersion TovVersionOfStatus(const struct stat& status, const timespec& clock) {
    TovFileVersion version;
    version.volume = static_cast<ULONGLONG>(status.st_dev);
    version.index = static_cast<ULONGLONG>(status.st_ino);
    version.size = static_cast<ULONGLONG>(status.st_size);
    version.lastWrite = fileTime(status.st_mtim);
    version.change = fileTime(status.st_ctim);
    version.settled = TovStampSettled(status, clock) ? TRUE : FALSE;
    return version;
}
