#include "app/services/LoggingSetup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/services/Log.h"
#include "config/ConfigManager.h"
#include "tests/support/ScopedHeapLimit.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::ErrorLogMessage;

class LoggingSetup : public ::testing::Test {
protected:
    void TearDown() override { rx_fwk::closeErrorLog(); }

    int setUp(const std::string& rtlog, const std::string& logPath = "C:\\errlog.txt") {
        disk_.writeHostFile("zu-rt.ini", "[rtlog]\r\n" + rtlog);
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        return rx_fwk::setUpLogging(*settings, logPath);
    }

    std::vector<ErrorLogMessage> held() {
        std::vector<ErrorLogMessage> messages;
        ErrorLogMessage message;
        for (std::size_t i = 0; rx_fwk::readErrorLog(i, message); ++i) {
            messages.push_back(message);
        }
        return messages;
    }

    lbtest::TempDisk disk_;
};

TEST(FilterLevel, NamesAreReadWithoutRegardToCase) {
    const std::pair<const char*, int> rows[] = {
        {"Error", 0},         {"ERROR", 0},         {"warning", 1}, {"Warning", 1}, {"Debug", 1},
        {"Informational", 2}, {"iNfOrMaTiOnAl", 2}, {"", 1},        {"Error ", 1},  {"3", 1},
    };
    for (const auto& [text, level] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(rx_fwk::filterLevelOf(text), level);
    }
}

TEST_F(LoggingSetup, FilterDecidesWhatIsKept) {
    struct Row {
        const char* settings;
        std::vector<int> kept;
    };
    const Row rows[] = {
        {"", {0}},
        {"FilterLogLevel=warning\r\n", {0, 1}},
        {"FilterLogLevel=Informational\r\n", {0, 1, 2}},
        {"FilterLogLevel=Error\r\nInternalLogLevel=TRUE\r\n", {0, 1, 2, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        ASSERT_EQ(setUp(row.settings), 0);
        for (int level = 0; level <= 3; ++level) {
            EXPECT_EQ(rx_fwk::log(level, 100 + level, 0, "text", ""), 0);
        }
        std::vector<int> kept;
        for (const ErrorLogMessage& message : held()) {
            kept.push_back(message.level);
        }
        EXPECT_EQ(kept, row.kept);
        const std::string file = disk_.readHostFile("errlog.txt");
        EXPECT_EQ(file.size(), 256 * (row.kept.size() + 1));
        rx_fwk::closeErrorLog();
        disk_.writeHostFile("errlog.txt", "");
    }
}

TEST_F(LoggingSetup, OutOfRangeSettingsAreUsedAndReported) {
    ASSERT_EQ(setUp("FilterLogLevel=Warning\r\nMaxNumMessages=16777217\r\n"
                    "MaxStringBuffer=33554433\r\nMaxStringLength=-7\r\n"),
              0);
    const std::string file = disk_.readHostFile("errlog.txt");
    for (const char* expected :
         {"\t1\t000021\t041\tMaxNumMessages\t0000000000000000000000016777217",
          "\t1\t000021\t041\tMaxStringLength\t-000000000000000000000000000007",
          "\t1\t000021\t041\tMaxStringBuffer\t0000000000000000000000033554433"}) {
        EXPECT_NE(file.find(expected), std::string::npos) << expected;
    }
    // A negative text length keeps no text, but the messages are there.
    const std::vector<ErrorLogMessage> messages = held();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].firstText, "");
}

TEST_F(LoggingSetup, UnopenableFileIsReportedAndTheRingStillWorks) {
    const std::string path = "C:\\missing\\directory\\with\\a\\long\\name\\errlog.txt";
    ASSERT_EQ(setUp("FilterLogLevel=Warning\r\n", path), 0);
    const std::vector<ErrorLogMessage> messages = held();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 21);
    EXPECT_EQ(messages[0].subCode, 41);
    EXPECT_EQ(messages[0].firstText, "LogFile");
    EXPECT_EQ(messages[0].secondText, path.substr(0, 31));
}

TEST_F(LoggingSetup, NoFileWithoutWriteLogAndNoRingWithoutMessages) {
    ASSERT_EQ(setUp("WriteLog=FALSE\r\n"), 0);
    EXPECT_EQ(rx_fwk::log(0, 1, 2, "memory only", ""), 0);
    EXPECT_EQ(held().size(), 1u);
    EXPECT_EQ(disk_.readHostFile("errlog.txt"), "");
    rx_fwk::closeErrorLog();
    EXPECT_EQ(rx_fwk::log(0, 1, 2, "after close", ""), rx_fwk::kLogNoErrorLog);

    ASSERT_EQ(setUp("MaxNumMessages=0\r\n"), 0);
    EXPECT_EQ(rx_fwk::log(0, 1, 2, "file only", ""), 0);
    EXPECT_TRUE(held().empty());
    EXPECT_NE(disk_.readHostFile("errlog.txt").find("file only"), std::string::npos);
}

TEST_F(LoggingSetup, ARingTooLargeForMemoryLeavesNoErrorLog) {
    // About 2 MiB of ring against a heap that may grow by 1 MiB.
    disk_.writeHostFile("zu-rt.ini",
                        "[rtlog]\r\nMaxNumMessages=20000\r\nMaxStringBuffer=1500000\r\n");
    auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
    int result;
    {
        lbtest::ScopedHeapLimit limit(TovHeapInUse() + (1u << 20));
        result = rx_fwk::setUpLogging(*settings, "C:\\errlog.txt");
    }
    EXPECT_EQ(result, rx_fwk::kLogNoMemory);
    EXPECT_EQ(rx_fwk::log(0, 1, 2, "nowhere", ""), rx_fwk::kLogNoErrorLog);
}

}  // namespace

namespace {

TEST(LoggingSetupOnAFreshDisk, CreatesTheSystemDirectoryForTheErrorLog) {
    lbtest::TempDisk disk;
    // The settings model outlives a deleted file; start from empty settings.
    ASSERT_TRUE(rx_fwk::ConfigManager::instance().clear());
    ASSERT_EQ(rx_fwk::setUpLogging(), 0);
    EXPECT_EQ(rx_fwk::log(0, 1, 2, "first boot", ""), 0);
    EXPECT_NE(disk.readHostFile("zu-rt/system/errlog.txt").find("first boot"), std::string::npos);
    rx_fwk::closeErrorLog();
}

}  // namespace
