// Time: sleeps, tick count, the high-resolution counter, system and local time.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

void Sleep(DWORD milliseconds);

// Milliseconds since the kernel started; wraps after 49.7 days.
DWORD GetTickCount();

// Nanoseconds: the frequency is always 1,000,000,000.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

void GetSystemTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);
// Local time follows the zone of the TZ variable (see TimeZone.h when present).
void GetLocalTime(SYSTEMTIME* time);

// Seconds since 1970, UTC.
std::int64_t TovUnixTime();

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);

// A fixed pacing wait of start-up output (banners, calibration): scaled by the kernel's
// --pace factor. Protocol timings use Sleep, never this.
void TovPacingSleep(DWORD milliseconds);
