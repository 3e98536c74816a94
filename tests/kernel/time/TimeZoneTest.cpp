#include "kernel/time/TimeZone.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/fs/Environment.h"
#include "kernel/time/Time.h"

namespace {

class TimeZone : public ::testing::Test {
protected:
    void TearDown() override { SetEnvironmentVariableA("TZ", nullptr); }
};

TEST_F(TimeZone, LocalTimeFollowsTheTzVariable) {
    // 2024-07-01 12:00:00 UTC.
    constexpr std::int64_t kSummer = 1719835200;
    const std::pair<const char*, std::int64_t> rows[] = {
        {nullptr, 0},
        {"CUT0", 0},
        {"EST5EDT", 4 * 3600},
        {"EST5", 5 * 3600},
        {"IST-05:30", -(5 * 3600 + 30 * 60)},
        // Only 19 characters are read: the offset lies beyond them.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ5", 0},
        {"ABCDEFGHIJKLMNOPQR5", 5 * 3600},
        {"XYZ", 0},
    };
    for (const auto& [zone, bias] : rows) {
        SCOPED_TRACE(zone == nullptr ? "(none)" : zone);
        SetEnvironmentVariableA("TZ", zone);
        EXPECT_EQ(TovLocalBiasSeconds(kSummer), bias);
    }
    // A value longer than any buffer guess still reads its first characters.
    SetEnvironmentVariableA("TZ", ("PST8" + std::string(5000, 'D')).c_str());
    EXPECT_EQ(TovLocalBiasSeconds(kSummer), 7 * 3600);
}

TEST_F(TimeZone, GetLocalTimeAppliesTheBias) {
    SetEnvironmentVariableA("TZ", "XYZ-3");
    SYSTEMTIME utc;
    SYSTEMTIME local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    EXPECT_EQ((utc.wHour + 3) % 24, local.wHour);
}

}  // namespace
