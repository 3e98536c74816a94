// Sleeps, tick count, the nanosecond counter and calendar time from the host clocks.
#include "kernel/time/posix/Clock.h"

#include <sched.h>
#include <time.h>

#include <cerrno>
#include <cmath>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/hw/Machine.h"
#include "kernel/time/Time.h"
#include "kernel/time/TimeZone.h"

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr ULONGLONG kFileTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t monotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * kNanosecondsPerSecond + now.tv_nsec;
}

std::int64_t tickBase() {
    static const std::int64_t base = monotonicNanoseconds();
    return base;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    auto yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

bool isLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(unsigned year, unsigned month) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

ULONGLONG fileTicks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME fileTimeOf(ULONGLONG ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A system time from 100 ns units since 1601.
void systemTimeOf(ULONGLONG ticks, SYSTEMTIME& time) {
    auto seconds = static_cast<std::int64_t>(ticks / kFileTicksPerSecond);
    auto days = seconds / kSecondsPerDay;
    auto secondOfDay = seconds % kSecondsPerDay;
    std::int64_t year;
    unsigned month;
    unsigned day;
    civilFromDays(days + daysFromCivil(1601, 1, 1), year, month, day);
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    time.wHour = static_cast<WORD>(secondOfDay / 3600);
    time.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    time.wSecond = static_cast<WORD>(secondOfDay % 60);
    time.wMilliseconds = static_cast<WORD>(ticks % kFileTicksPerSecond / 10000);
}

ULONGLONG nowTicks() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return fileTicks(TovFileTimeFromTimespec(now));
}

}  // namespace

FILETIME TovFileTimeFromTimespec(const timespec& time) {
    auto ticks = static_cast<std::int64_t>(kFileTimeUnixEpoch) +
                 static_cast<std::int64_t>(time.tv_sec) * 10000000 + time.tv_nsec / 100;
    return fileTimeOf(ticks < 0 ? 0 : static_cast<ULONGLONG>(ticks));
}

void TovStartTickCount() {
    tickBase();
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

DWORD GetTickCount() {
    return static_cast<DWORD>((monotonicNanoseconds() - tickBase()) / 1000000);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    count->QuadPart = monotonicNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    frequency->QuadPart = kNanosecondsPerSecond;
    return TRUE;
}

void GetSystemTime(SYSTEMTIME* time) {
    systemTimeOf(nowTicks(), *time);
}

void GetSystemTimeAsFileTime(FILETIME* time) {
    *time = fileTimeOf(nowTicks());
}

void GetLocalTime(SYSTEMTIME* time) {
    ULONGLONG ticks = nowTicks();
    std::int64_t unixSeconds =
        static_cast<std::int64_t>((ticks - kFileTimeUnixEpoch) / kFileTicksPerSecond);
    std::int64_t bias = TovLocalBiasSeconds(unixSeconds);
    systemTimeOf(
        ticks - static_cast<ULONGLONG>(bias * static_cast<std::int64_t>(kFileTicksPerSecond)),
        *time);
}

std::int64_t TovUnixTime() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr ||
        fileTicks(*fileTime) >= 0x8000000000000000ULL) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    systemTimeOf(fileTicks(*fileTime), *systemTime);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    if (systemTime == nullptr || fileTime == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    const SYSTEMTIME& t = *systemTime;
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > daysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::int64_t days = daysFromCivil(t.wYear, t.wMonth, t.wDay) - daysFromCivil(1601, 1, 1);
    std::int64_t seconds = days * kSecondsPerDay + t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    *fileTime = fileTimeOf(static_cast<ULONGLONG>(seconds) * kFileTicksPerSecond +
                           static_cast<ULONGLONG>(t.wMilliseconds) * 10000);
    return TRUE;
}

void TovPacingSleep(DWORD milliseconds) {
    double scaled = std::round(milliseconds * TovPaceFactor());
    if (scaled >= 1) {
        Sleep(scaled >= 4294967294.0 ? 4294967294U : static_cast<DWORD>(scaled));
    }
}
