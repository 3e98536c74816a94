#include "app/services/StdOutRedirection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "config/ConfigManager.h"
#include "tests/support/TempDisk.h"

namespace {

class StdOutRedirection : public ::testing::Test {
protected:
    void redirectTo(const std::string& path) {
        disk_.writeHostFile("zu-rt.ini", "[Debug]\r\nStdOutRedirectionFile=" + path + "\r\n");
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        rx_fwk::setUpStdOutRedirection(*settings);
    }
    lbtest::TempDisk disk_;
};

TEST_F(StdOutRedirection, OutputIsFramedByBanners) {
    disk_.writeHostFile("out.txt", "earlier boot\r\n");
    ::testing::internal::CaptureStderr();
    redirectTo("C:\\out.txt");
    std::printf("hello\n");
    rx_fwk::stopStdOutRedirection();
    rx_fwk::stopStdOutRedirection();  // a second stop has nothing left to do
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Redirecting standard output to C:\\out.txt\n");

    const std::string time =
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}";
    EXPECT_THAT(
        disk_.readHostFile("out.txt"),
        ::testing::ContainsRegex("^earlier boot\r\n=== Starting standard output log - " + time +
                                 " ===\r\n\r\nhello\r\n\r\n"
                                 "=== Stopping standard output log - " +
                                 time + " ===\r\n\r\n$"));
}

TEST_F(StdOutRedirection, FailureIsReportedAndOutputStaysOnTheConsole) {
    ::testing::internal::CaptureStderr();
    redirectTo("C:\\no\\such\\dir\\out.txt");
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::MatchesRegex(
                    "Failed to redirect standard output to C:.no.such.dir.out.txt \\(.+\\)\n"));
    rx_fwk::stopStdOutRedirection();
}

TEST_F(StdOutRedirection, EmptyNameMeansNoRedirection) {
    ::testing::internal::CaptureStderr();
    redirectTo("");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
