#include "app/startup/EnvironmentSetup.h"

#include <gtest/gtest.h>

#include <string>

#include "app/startup/TimeZoneSetting.h"
#include "config/ConfigManager.h"
#include "kernel/fs/Environment.h"
#include "tests/support/TempDisk.h"

namespace {

std::string variable(const char* name) {
    char value[512] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 ? "<absent>" : value;
}

class EnvironmentSetup : public ::testing::Test {
protected:
    void apply(const std::string& ini, bool rescueImage) {
        disk_.writeHostFile("zu-rt.ini", ini);
        applyTimeZone();
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        rx_fwk::applyWorkingDirectoryAndEnvironment(*settings, rescueImage);
    }
    static void applyTimeZone() { rx_fwk::applyTimeZoneSetting(); }
    void TearDown() override {
        for (const char* name : {"TZ", "PATH", "OS", "__MSVCRT_HEAP_SELECT", "EXTRA"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
        SetCurrentDirectoryA("C:\\");
    }
    lbtest::TempDisk disk_;
};

// On a fresh disk: the system directory is made before it becomes the current one.
TEST_F(EnvironmentSetup, NormalImageUsesTheSystemDirectoryAndDefaults) {
    apply("", false);
    EXPECT_EQ(variable("TZ"), "CUT0");
    EXPECT_EQ(variable("PATH"), "C:\\zu-rt\\system");
    EXPECT_EQ(variable("OS"), "Quillon");
    EXPECT_EQ(variable("__MSVCRT_HEAP_SELECT"), "__GLOBAL_HEAP_SELECTED,1");
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    EXPECT_STRCASEEQ(directory, "C:\\zu-rt\\system");
}

TEST_F(EnvironmentSetup, SettingsAndEnvironmentStringsOverrideInOrder) {
    apply(
        "[KORA]\r\nPATH=C:\\bin;C:\\tools\r\n"
        "RTTarget.TimeZone=ABCDEFGHIJKLMNOPQRSTUVWXYZ5\r\n"
        "[EnvironmentStrings]\r\nOS=Other\r\nEXTRA=1\r\n",
        false);
    EXPECT_EQ(variable("TZ"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(variable("PATH"), "C:\\bin;C:\\tools");
    EXPECT_EQ(variable("OS"), "Other");
    EXPECT_EQ(variable("EXTRA"), "1");

    apply(
        "[KORA]\r\nRTTarget.TimeZone=EST5EDT\r\n"
        "[EnvironmentStrings]\r\nPATH=C:\\mine\r\nTZ=CET-1CEST\r\n__MSVCRT_HEAP_SELECT=x\r\n",
        true);
    EXPECT_EQ(variable("TZ"), "CET-1CEST");
    EXPECT_EQ(variable("PATH"), "C:\\mine");
    EXPECT_EQ(variable("__MSVCRT_HEAP_SELECT"), "x");
}

TEST_F(EnvironmentSetup, RescueImageSearchesTheArchiveDrive) {
    apply("[KORA]\r\nPATH=C:\\ignored\r\n", true);
    EXPECT_EQ(variable("PATH"), "B:\\");
}

}  // namespace
