#include "kernel/fs/Environment.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/base/LastError.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(EnvironmentTest, NamesCompareWithoutRegardToCase) {
    ASSERT_TRUE(SetEnvironmentVariableA("EnvironmentTest_Tz", "CET-1CEST"));
    const char* spellings[] = {"EnvironmentTest_Tz", "ENVIRONMENTTEST_TZ", "environmenttest_tz"};
    for (const char* name : spellings) {
        SCOPED_TRACE(name);
        char value[32];
        EXPECT_EQ(GetEnvironmentVariableA(name, value, sizeof value), 9u);
        EXPECT_STREQ(value, "CET-1CEST");
    }
    ASSERT_TRUE(SetEnvironmentVariableA("ENVIRONMENTTEST_TZ", "CUT0"));
    char value[32];
    EXPECT_EQ(GetEnvironmentVariableA("EnvironmentTest_Tz", value, sizeof value), 4u);
    EXPECT_STREQ(value, "CUT0");
}

TEST(EnvironmentTest, BufferSizes) {
    ASSERT_TRUE(SetEnvironmentVariableA("EnvironmentTest_Os", "Quillon"));
    struct Row {
        DWORD size;
        DWORD result;
        std::string copied;
    };
    const Row rows[] = {
        {0, 8, ""},
        {7, 8, ""},
        {8, 7, "Quillon"},
        {64, 7, "Quillon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        char buffer[64] = {};
        EXPECT_EQ(GetEnvironmentVariableA("EnvironmentTest_Os", buffer, row.size), row.result);
        EXPECT_EQ(std::string(buffer), row.copied);
    }
    EXPECT_EQ(GetEnvironmentVariableA("EnvironmentTest_Os", nullptr, 0), 8u);
}

TEST(EnvironmentTest, EmptyValuesAndRemoval) {
    ASSERT_TRUE(SetEnvironmentVariableA("EnvironmentTest_Empty", ""));
    char buffer[8] = "x";
    SetLastError(kSentinel);
    EXPECT_EQ(GetEnvironmentVariableA("EnvironmentTest_Empty", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "");
    ASSERT_TRUE(SetEnvironmentVariableA("EnvironmentTest_Empty", nullptr));
    SetLastError(kSentinel);
    EXPECT_EQ(GetEnvironmentVariableA("EnvironmentTest_Empty", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
}

TEST(EnvironmentTest, StartsWithoutTheHostEnvironment) {
    char buffer[256];
    SetLastError(kSentinel);
    EXPECT_EQ(GetEnvironmentVariableA("HOME", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
}

TEST(EnvironmentTest, BadNames) {
    const char* names[] = {nullptr, "", "A=B"};
    for (const char* name : names) {
        SCOPED_TRACE(name == nullptr ? "null" : name);
        SetLastError(kSentinel);
        EXPECT_FALSE(SetEnvironmentVariableA(name, "x"));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

}  // namespace
