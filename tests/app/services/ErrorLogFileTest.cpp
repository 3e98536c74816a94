#include "app/services/ErrorLogFile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::ErrorLogRecord;

const std::string kMarker = std::string(254, ' ') + "\r\n";

ErrorLogRecord recordNumbered(int number) {
    ErrorLogRecord record;
    const SYSTEMTIME utc{2024, 1, 1, 2, 3, 4, 5, 6};
    rx_fwk::formatErrorLogRecord(record, utc, 0, number, 0, "record", nullptr);
    return record;
}

std::string line(int number) {
    const ErrorLogRecord record = recordNumbered(number);
    return std::string(reinterpret_cast<const char*>(&record), sizeof record) + "\r\n";
}

void writeRecords(const std::string& path, int first, int count) {
    std::FILE* file = rx_fwk::openErrorLogFile(path);
    ASSERT_NE(file, nullptr);
    for (int i = first; i < first + count; ++i) {
        rx_fwk::writeErrorLogRecord(file, recordNumbered(i));
    }
    std::fclose(file);
}

class ErrorLogFile : public ::testing::Test {
protected:
    lbtest::TempDisk disk_;
};

TEST_F(ErrorLogFile, RecordsAre256BytesAndTheEndMarkerFollowsTheNewest) {
    writeRecords("C:\\errlog.txt", 0, 2);
    EXPECT_EQ(disk_.readHostFile("errlog.txt"), line(0) + line(1) + kMarker);
}

TEST_F(ErrorLogFile, WrapsToTheStartAt64KiB) {
    writeRecords("C:\\errlog.txt", 0, 257);
    const std::string bytes = disk_.readHostFile("errlog.txt");
    ASSERT_EQ(bytes.size(), 65536u);
    EXPECT_EQ(bytes.substr(0, 256), line(256));
    EXPECT_EQ(bytes.substr(256, 256), kMarker);
    EXPECT_EQ(bytes.substr(512, 256), line(2));
    EXPECT_EQ(bytes.substr(65280), line(255));
}

TEST_F(ErrorLogFile, ANewStartResumesAtTheEndMarker) {
    writeRecords("C:\\errlog.txt", 0, 3);
    writeRecords("C:\\errlog.txt", 3, 1);
    EXPECT_EQ(disk_.readHostFile("errlog.txt"), line(0) + line(1) + line(2) + line(3) + kMarker);

    // After a wrap the marker sits in the middle, with older records behind it.
    writeRecords("C:\\errlog.txt", 4, 253);
    writeRecords("C:\\errlog.txt", 1000, 1);
    const std::string bytes = disk_.readHostFile("errlog.txt");
    EXPECT_EQ(bytes.substr(0, 256), line(256));
    EXPECT_EQ(bytes.substr(256, 256), line(1000));
    EXPECT_EQ(bytes.substr(512, 256), kMarker);
    EXPECT_EQ(bytes.substr(768, 256), line(3));
}

TEST_F(ErrorLogFile, FileWithoutMarkerIsContinuedAtItsEnd) {
    disk_.writeHostFile("errlog.txt", "written elsewhere\r\n");
    writeRecords("C:\\errlog.txt", 0, 1);
    EXPECT_EQ(disk_.readHostFile("errlog.txt"), "written elsewhere\r\n" + line(0) + kMarker);
}

TEST_F(ErrorLogFile, FileLongerThan64KiBIsEmptied) {
    disk_.writeHostFile("errlog.txt", std::string(70000, 'x'));
    writeRecords("C:\\errlog.txt", 0, 1);
    EXPECT_EQ(disk_.readHostFile("errlog.txt"), line(0) + kMarker);
}

TEST_F(ErrorLogFile, NoFileInAMissingDirectory) {
    EXPECT_EQ(rx_fwk::openErrorLogFile("C:\\missing\\errlog.txt"), nullptr);
}

}  // namespace
