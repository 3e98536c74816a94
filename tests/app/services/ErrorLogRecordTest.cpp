#include "app/services/ErrorLogRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using rx_fwk::ErrorLogRecord;

std::string format(const SYSTEMTIME& utc, int level, int code, int subCode, const char* first,
                   const char* second) {
    ErrorLogRecord record;
    rx_fwk::formatErrorLogRecord(record, utc, level, code, subCode, first, second);
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

std::string padded(std::string text) {
    text.resize(254, ' ');
    return text;
}

TEST(ErrorLogRecord, FieldsHaveTheirFixedWidths) {
    const SYSTEMTIME utc{2024, 3, 0, 7, 9, 5, 4, 12};
    const std::string room217(217, 'a');
    struct Row {
        int level, code, subCode;
        std::string first;
        const char* second;
        std::string expected;
    };
    const Row rows[] = {
        {0, 21, 41, "MaxNumMessages", "0000000000000000000000020000000",
         padded("03/07/2024\t09:05:04.012\t0\t000021\t041\tMaxNumMessages\t"
                "0000000000000000000000020000000")},
        // Too large for the width: the lowest digits stay.
        {12, 1234567, 5678, "a", "b", padded("03/07/2024\t09:05:04.012\t2\t234567\t678\ta\tb")},
        {1, -1, 0, "", nullptr, padded("03/07/2024\t09:05:04.012\t1\t967295\t000\t\t")},
        // The first text fills the room: no TAB, no second text.
        {0, 1, 1, room217, "dropped", "03/07/2024\t09:05:04.012\t0\t000001\t001\t" + room217},
        {0, 1, 1, room217 + "zzz", "dropped",
         "03/07/2024\t09:05:04.012\t0\t000001\t001\t" + room217},
        // One character of room left takes the TAB only.
        {0, 1, 1, room217.substr(1), "dropped",
         "03/07/2024\t09:05:04.012\t0\t000001\t001\t" + room217.substr(1) + "\t"},
        {0, 1, 1, "two\r\nlines", "x\ny",
         padded("03/07/2024\t09:05:04.012\t0\t000001\t001\ttwo  lines\tx y")},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(index++);
        const std::string text =
            format(utc, row.level, row.code, row.subCode, row.first.c_str(), row.second);
        ASSERT_EQ(text.size(), 254u);
        EXPECT_EQ(text, row.expected);
    }
}

TEST(ErrorLogRecord, DateOfYearTenThousandKeepsFourDigits) {
    const SYSTEMTIME utc{12025, 12, 0, 31, 23, 59, 59, 999};
    EXPECT_EQ(format(utc, 3, 0, 0, "x", "y").substr(0, 23), "12/31/2025\t23:59:59.999");
}

}  // namespace
