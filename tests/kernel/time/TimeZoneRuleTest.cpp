#include "kernel/time/TimeZoneRule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ParseRow {
    const char* text;
    const char* standardName;
    LONG bias;
    const char* daylightName;
};

TEST(TimeZoneRule, ParsesNamesAndOffsets) {
    const ParseRow rows[] = {
        {nullptr, "CUT", 0, ""},
        {"", "CUT", 0, ""},
        {"CUT0", "CUT", 0, ""},
        {"EST5EDT", "EST", 300, "EDT"},
        {"CET-1CEST", "CET", -60, "CEST"},
        {"PST+8", "PST", 480, ""},
        {"NFT3:30", "NFT", 210, ""},
        {"XYZ+3:30:30", "XYZ", 210, ""},
        // The sign covers the minutes too: five and a half hours east.
        {"IST-05:30", "IST", -330, ""},
        {"NPT-5:45NPD", "NPT", -345, "NPD"},
        {"5", "", 300, ""},
        {"GMT", "GMT", 0, ""},
        // Only 19 characters are read: the offset of this one is past them.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ5", "ABCDEFGHIJKLMNOPQRS", 0, ""},
        {"ABC-1DEFGHIJKLMNOPQRSTUVW", "ABC", -60, "DEFGHIJKLMNOPQ"},
        // Absurd offsets stay within a day.
        {"X99999999999999", "X", 1440, ""},
        {"X-99999999999999", "X", -1440, ""},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(row.text == nullptr ? "(null)" : row.text);
        const TovTimeZoneRule rule = TovParseTimeZone(row.text);
        EXPECT_STREQ(rule.standardName, row.standardName);
        EXPECT_EQ(rule.biasMinutes, row.bias);
        EXPECT_STREQ(rule.daylightName, row.daylightName);
        EXPECT_EQ(rule.hasDaylight, row.daylightName[0] != '\0');
    }
}

struct BiasRow {
    const char* zone;
    const char* when;  // UTC, for the trace
    std::int64_t unixSeconds;
    LONG bias;
};

TEST(TimeZoneRule, DaylightTimeRunsFromFirstSundayOfAprilToLastSundayOfOctober) {
    // 2024: 7 April and 27 October are the Sundays; 2021: 4 April and 31 October.
    const BiasRow rows[] = {
        {"EST5EDT", "2024-04-07 06:59:59", 1712473199, 300},
        {"EST5EDT", "2024-04-07 07:00:00", 1712473200, 240},
        {"EST5EDT", "2024-07-01 12:00:00", 1719835200, 240},
        {"EST5EDT", "2024-10-27 05:59:59", 1730008799, 240},
        {"EST5EDT", "2024-10-27 06:00:00", 1730008800, 300},
        {"EST5EDT", "2024-03-31 07:00:00", 1711868400, 300},
        {"CET-1CEST", "2021-04-04 00:59:59", 1617497999, -60},
        {"CET-1CEST", "2021-04-04 01:00:00", 1617498000, -120},
        {"CET-1CEST", "2021-10-31 00:00:00", 1635638400, -60},
        {"CET-1CEST", "2021-10-30 23:59:59", 1635638399, -120},
        {"CUT0", "2024-07-01 12:00:00", 1719835200, 0},
        {"EST5", "2024-07-01 12:00:00", 1719835200, 300},
    };
    for (const BiasRow& row : rows) {
        SCOPED_TRACE(std::string(row.zone) + " at " + row.when);
        EXPECT_EQ(TovTimeZoneBiasAt(TovParseTimeZone(row.zone), row.unixSeconds), row.bias);
    }
}

}  // namespace
