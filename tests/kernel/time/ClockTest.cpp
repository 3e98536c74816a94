#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "kernel/base/LastError.h"
#include "kernel/time/Time.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

ULONGLONG ticksOf(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TEST(ClockTest, FileTimesAndSystemTimesConvertBothWays) {
    struct Row {
        ULONGLONG ticks;
        SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, ms
    };
    const Row rows[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {125911584000000000ULL, {2000, 1, 6, 1, 0, 0, 0, 0}},
        {125962560000000000ULL, {2000, 2, 2, 29, 0, 0, 0, 0}},
        {126227807999990000ULL, {2000, 12, 0, 31, 23, 59, 59, 999}},
        {133529040004560000ULL, {2024, 2, 2, 20, 12, 0, 0, 456}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ticks);
        FILETIME fileTime{static_cast<DWORD>(row.ticks), static_cast<DWORD>(row.ticks >> 32)};
        SYSTEMTIME time{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &time));
        EXPECT_EQ(time.wYear, row.time.wYear);
        EXPECT_EQ(time.wMonth, row.time.wMonth);
        EXPECT_EQ(time.wDayOfWeek, row.time.wDayOfWeek);
        EXPECT_EQ(time.wDay, row.time.wDay);
        EXPECT_EQ(time.wHour, row.time.wHour);
        EXPECT_EQ(time.wMinute, row.time.wMinute);
        EXPECT_EQ(time.wSecond, row.time.wSecond);
        EXPECT_EQ(time.wMilliseconds, row.time.wMilliseconds);
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&row.time, &back));
        EXPECT_EQ(ticksOf(back), row.ticks);
    }
}

TEST(ClockTest, InvalidSystemTimesAreRefused) {
    const SYSTEMTIME rows[] = {
        {1600, 12, 0, 31, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0},   {2024, 13, 0, 1, 0, 0, 0, 0},
        {2024, 1, 0, 0, 0, 0, 0, 0},   {2024, 1, 0, 1, 24, 0, 0, 0},   {2024, 1, 0, 1, 0, 60, 0, 0},
        {2024, 1, 0, 1, 0, 0, 60, 0},  {2024, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const SYSTEMTIME& row : rows) {
        SCOPED_TRACE(testing::Message() << row.wYear << "-" << row.wMonth << "-" << row.wDay);
        FILETIME fileTime;
        SetLastError(kSentinel);
        EXPECT_FALSE(SystemTimeToFileTime(&row, &fileTime));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    FILETIME tooLate{0, 0x80000000};
    SYSTEMTIME time;
    SetLastError(kSentinel);
    EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &time));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ClockTest, SystemTimeFollowsTheHostClock) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::int64_t unixNow = TovUnixTime();
    std::int64_t fromFileTime =
        static_cast<std::int64_t>((ticksOf(now) - 116444736000000000ULL) / 10000000);
    EXPECT_LE(std::llabs(fromFileTime - unixNow), 1);
    EXPECT_LE(std::llabs(unixNow - static_cast<std::int64_t>(std::time(nullptr))), 1);

    SYSTEMTIME system;
    SYSTEMTIME local;
    GetSystemTime(&system);
    GetLocalTime(&local);
    EXPECT_GE(system.wYear, 2024);
    EXPECT_EQ(system.wYear, local.wYear);  // no zone rules yet: local time is UTC
}

TEST(ClockTest, TickCountAndCounterMove) {
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    DWORD ticksBefore = GetTickCount();
    QueryPerformanceCounter(&before);
    Sleep(50);
    QueryPerformanceCounter(&after);
    DWORD ticks = GetTickCount() - ticksBefore;
    EXPECT_GE(ticks, 49u);
    EXPECT_LT(ticks, 2000u);
    EXPECT_GE(after.QuadPart - before.QuadPart, 50000000);
    SetLastError(kSentinel);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ClockTest, PacingWaitsScaleWithThePaceFactor) {
    // The test programs start the kernel with --pace 0: pacing waits take no time.
    auto start = std::chrono::steady_clock::now();
    TovPacingSleep(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
