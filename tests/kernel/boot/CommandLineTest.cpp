#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/boot/Kernel.h"
#include "lifeboat/Version.h"

namespace {

TEST(CommandLineTest, Cases) {
    struct Row {
        std::vector<std::string> arguments;
        bool run;
        int exitCode;
        std::string disk;
        double pace;
        std::string hostLog = "";
        std::string debugLog = "";
        bool manageHostInterfaces = false;
        std::uint64_t heapLimit = 0;
    };
    const Row rows[] = {
        {{}, true, 0, "./lifeboat-disk", 1.0},
        {{"--disk", "/tmp/c"}, true, 0, "/tmp/c", 1.0},
        {{"--disk=/tmp/d", "--pace", "0"}, true, 0, "/tmp/d", 0.0},
        {{"--pace", "0.25"}, true, 0, "./lifeboat-disk", 0.25},
        {{"--pace=2"}, true, 0, "./lifeboat-disk", 2.0},
        {{"--host-log", "/tmp/h", "--debug-log=/tmp/g"},
         true,
         0,
         "./lifeboat-disk",
         1.0,
         "/tmp/h",
         "/tmp/g"},
        {{"--manage-host-interfaces"}, true, 0, "./lifeboat-disk", 1.0, "", "", true},
        {{"--manage-host-interfaces=yes"}, false, 2, "", 0},
        {{"--heap-limit", "7340032"}, true, 0, "./lifeboat-disk", 1.0, "", "", false, 7340032},
        {{"--heap-limit=7M"}, true, 0, "./lifeboat-disk", 1.0, "", "", false, 7u << 20},
        {{"--heap-limit", "64k"}, true, 0, "./lifeboat-disk", 1.0, "", "", false, 64u << 10},
        {{"--heap-limit", "2G"}, true, 0, "./lifeboat-disk", 1.0, "", "", false, 2ull << 30},
        {{"--heap-limit", "0"}, false, 2, "", 0},
        {{"--heap-limit", "-1"}, false, 2, "", 0},
        {{"--heap-limit", "5X"}, false, 2, "", 0},
        {{"--heap-limit", "1MB"}, false, 2, "", 0},
        {{"--heap-limit", "99999999999999999999"}, false, 2, "", 0},
        {{"--heap-limit", "17179869184G"}, false, 2, "", 0},
        {{"--help"}, false, 0, "", 0},
        {{"--host-log"}, false, 2, "", 0},
        {{"--pace", "-1"}, false, 2, "", 0},
        {{"--pace", "fast"}, false, 2, "", 0},
        {{"--pace", ""}, false, 2, "", 0},
        {{"--pace", "nan"}, false, 2, "", 0},
        {{"--pace"}, false, 2, "", 0},
        {{"--disk"}, false, 2, "", 0},
        {{"--verbose"}, false, 2, "", 0},
        {{"extra"}, false, 2, "", 0},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(i);
        std::vector<std::string> words = {"lifeboat.exe"};
        words.insert(words.end(), row.arguments.begin(), row.arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        TovKernelOptions options;
        int exitCode = -1;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        bool run =
            TovParseCommandLine(static_cast<int>(words.size()), argv.data(), options, exitCode);
        std::string out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(run, row.run);
        EXPECT_EQ(exitCode, row.exitCode);
        if (row.run) {
            EXPECT_EQ(options.disk, row.disk);
            EXPECT_EQ(options.pace, row.pace);
            EXPECT_EQ(options.hostLog, row.hostLog);
            EXPECT_EQ(options.debugLog, row.debugLog);
            EXPECT_EQ(options.manageHostInterfaces, row.manageHostInterfaces);
            EXPECT_EQ(options.heapLimit, row.heapLimit);
            EXPECT_EQ(options.argv.size(), words.size());
        } else if (row.exitCode == 0) {
            EXPECT_NE(out.find("Usage: lifeboat.exe"), std::string::npos);
        } else {
            EXPECT_FALSE(err.empty());
        }
    }
}

TEST(CommandLineTest, BlockDevicesAreKeptInTheirOrder) {
    std::vector<std::string> words = {"lifeboat.exe", "--block-device", "/tmp/a.img",
                                      "--block-device=/tmp/b.img"};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    TovKernelOptions options;
    int exitCode = -1;
    ASSERT_TRUE(
        TovParseCommandLine(static_cast<int>(words.size()), argv.data(), options, exitCode));
    EXPECT_EQ(options.blockDevices, (std::vector<std::string>{"/tmp/a.img", "/tmp/b.img"}));
}

TEST(CommandLineTest, VersionIsTheProjects) {
    std::string words[] = {"/usr/libexec/lifeboat/lifeboat.exe", "--version", "--disk"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(), nullptr};
    TovKernelOptions options;
    int exitCode = -1;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(TovParseCommandLine(3, argv, options, exitCode));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "lifeboat.exe " LIFEBOAT_VERSION "\n");
    EXPECT_EQ(exitCode, 0);
}

}  // namespace
