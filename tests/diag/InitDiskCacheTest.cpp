#include "diag/InitDiskCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/services/Log.h"
#include "app/services/LoggingSetup.h"
#include "config/ConfigManager.h"
#include "diag/DebugTrace.h"
#include "diag/DiskCache.h"
#include "tests/support/TempDisk.h"

namespace nZUEmbCfg {
namespace {

std::vector<std::string> gTraces;

void collect(const char* text) {
    gTraces.push_back(text);
}

struct Logged {
    int level;
    int code;
    std::string text;
    bool operator==(const Logged& other) const {
        return level == other.level && code == other.code && text == other.text;
    }
    friend std::ostream& operator<<(std::ostream& out, const Logged& logged) {
        return out << logged.level << "/" << logged.code << " " << logged.text;
    }
};

class InitDiskCacheTest : public ::testing::Test {
protected:
    void SetUp() override { setDebugTraceHook(&collect); }
    void TearDown() override {
        setDebugTraceHook(nullptr);
        DiskCacheUninstall();
        rx_fwk::closeErrorLog();
    }

    // Runs the start-up with these [kora] keys; answers what it logged.
    std::vector<Logged> run(const std::string& kora) {
        gTraces.clear();
        disk_.writeHostFile("zu-rt.ini",
                            "[rtlog]\r\nFilterLogLevel=Informational\r\n[KORA]\r\n" + kora);
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        EXPECT_EQ(rx_fwk::setUpLogging(*settings, "C:\\errlog.txt"), 0);
        InitDiskCache(*settings);
        std::vector<Logged> logged;
        rx_fwk::ErrorLogMessage message;
        for (std::size_t i = 0; rx_fwk::readErrorLog(i, message); ++i) {
            EXPECT_EQ(message.subCode, 41);
            EXPECT_EQ(message.secondText, "");
            logged.push_back({message.level, message.code, message.firstText});
        }
        rx_fwk::closeErrorLog();
        return logged;
    }

    lbtest::TempDisk disk_;
};

TEST_F(InitDiskCacheTest, DefaultsInstallTheCacheWithItsThread) {
    EXPECT_EQ(run(""), (std::vector<Logged>{{2, 5, "disk cache size 64.0 kb"},
                                            {2, 12, "disk cache write size 16.0 kb"},
                                            {2, 7, "disk cache thread enabled"},
                                            {2, 9, "disk cache flush interval 1"},
                                            {2, 10, "disk cache flush thread priority 1"}}));
    EXPECT_TRUE(gTraces.empty());
    EXPECT_EQ(DiskCacheBlockCount(), 128);
    EXPECT_EQ(DiskCacheWriteSize(), 32);
    EXPECT_TRUE(DiskCacheEnabled());
    EXPECT_TRUE(DiskCacheThreadEnabled());
}

TEST_F(InitDiskCacheTest, SettingsAreCheckedAndTheOutcomeLogged) {
    struct Row {
        std::string kora;
        std::vector<std::string> traces;
        std::vector<Logged> logged;
    };
    const std::string writeNote =
        "                (Must be >=0, <= SizeInKB, but with absolute max of 128K)\n";
    const Row rows[] = {
        {"RTTarget.DiskCache.Enable=FALSE\r\n", {}, {{2, 6, "disk cache not enabled"}}},
        {"RTTarget.DiskCache.SizeInKb=0\r\nRTTarget.DiskCache.WriteSizeInKb=0\r\n",
         {},
         {{0, 1116, ""}, {2, 6, "disk cache not enabled"}}},
        {"RTTarget.DiskCache.SizeInKb=-5\r\nRTTarget.DiskCache.Thread.Enable=FALSE\r\n",
         {"InitDiskCache:  Illegal value for RTTarget.DiskCache.SizeInKb: -5 (must be >= 0). "
          "Using default of 64\n"},
         {{2, 5, "disk cache size 64.0 kb"},
          {2, 12, "disk cache write size 16.0 kb"},
          {2, 8, "disk cache thread not enabled"}}},
        {"RTTarget.DiskCache.WriteSizeInKb=200\r\nRTTarget.DiskCache.Thread.Enable=FALSE\r\n",
         {"InitDiskCache:  Illegal value for RTTarget.DiskCache.WriteSizeInKb: 200. Using 16\n",
          writeNote},
         {{2, 5, "disk cache size 64.0 kb"},
          {2, 12, "disk cache write size 16.0 kb"},
          {2, 8, "disk cache thread not enabled"}}},
        {"RTTarget.DiskCache.SizeInKb=8\r\nRTTarget.DiskCache.WriteSizeInKb=100\r\n"
         "RTTarget.DiskCache.Thread.Enable=FALSE\r\n",
         {"InitDiskCache:  Illegal value for RTTarget.DiskCache.WriteSizeInKb: 100. Using 8\n",
          writeNote},
         {{2, 5, "disk cache size 8.0 kb"},
          {2, 12, "disk cache write size 8.0 kb"},
          {2, 8, "disk cache thread not enabled"}}},
        {"RTTarget.DiskCache.SizeInKb=1\r\nRTTarget.DiskCache.WriteSizeInKb=-1\r\n"
         "RTTarget.DiskCache.Thread.IntervalInSecs=0\r\nRTTarget.DiskCache.Thread.Priority=3\r\n",
         {"InitDiskCache:  Illegal value for RTTarget.DiskCache.WriteSizeInKb: -1. Using 1\n",
          writeNote,
          "InitDiskCache:  Illegal value for RTTarget.DiskCache.Thread.IntervalInSecs: 0 (must "
          "be > 0). Using default of 1\n",
          "InitDiskCache:  Illegal value for RTTarget.DiskCache.Thread.Priority: 3 (must be -2, "
          "-1, 0, 1, or 2). Using default of 1\n"},
         {{2, 5, "disk cache size 1.0 kb"},
          {2, 12, "disk cache write size 1.0 kb"},
          {2, 7, "disk cache thread enabled"},
          {2, 9, "disk cache flush interval 1"},
          {2, 10, "disk cache flush thread priority 1"}}},
        {"RTTarget.DiskCache.Thread.IntervalInSecs=30\r\nRTTarget.DiskCache.Thread.Priority=-2\r\n",
         {},
         {{2, 5, "disk cache size 64.0 kb"},
          {2, 12, "disk cache write size 16.0 kb"},
          {2, 7, "disk cache thread enabled"},
          {2, 9, "disk cache flush interval 30"},
          {2, 10, "disk cache flush thread priority -2"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kora);
        EXPECT_EQ(run(row.kora), row.logged);
        EXPECT_EQ(gTraces, row.traces);
        DiskCacheUninstall();
    }
}

}  // namespace
}  // namespace nZUEmbCfg
