#include "kernel/fs/Stdio.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/boot/Console.h"
#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace {

std::string readStream(std::FILE* file) {
    std::string text;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(StdioBridgeTest, TextModeWritesCrLfAndReadsItAsLf) {
    lbtest::TempDisk disk;
    struct Row {
        const char* mode;
        std::string written;
        std::string onDisk;
    };
    const Row rows[] = {
        {"w", "a\nb\n", "a\r\nb\r\n"},
        {"wt", "\n\n", "\r\n\r\n"},
        {"wb", "a\nb\n", "a\nb\n"},
        {"w", "no line end", "no line end"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        std::FILE* file = TovFopen("C:\\t.txt", row.mode);
        ASSERT_NE(file, nullptr);
        EXPECT_GE(std::fputs(row.written.c_str(), file), 0);
        std::fclose(file);
        EXPECT_EQ(disk.readHostFile("t.txt"), row.onDisk);
    }
    const struct {
        std::string onDisk;
        const char* mode;
        std::string read;
    } reads[] = {
        {"x\r\ny\r\n", "r", "x\ny\n"},
        {"x\r\ny\r\n", "rb", "x\r\ny\r\n"},
        {"lone\rcr\r", "r", "lone\rcr\r"},
        {"\r\r\n", "r", "\r\n"},
        {std::string(4095, 'a') + "\r\n" + "b", "r", std::string(4095, 'a') + "\nb"},
        {std::string(4096, 'a') + "\r\n", "r", std::string(4096, 'a') + "\n"},
    };
    for (const auto& row : reads) {
        SCOPED_TRACE(row.mode);
        disk.writeHostFile("r.txt", row.onDisk);
        std::FILE* file = TovFopen("c:/R.TXT", row.mode);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(readStream(file), row.read);
        std::fclose(file);
    }
}

TEST(StdioBridgeTest, TextPositionsAreByteOffsetsInTheFile) {
    lbtest::TempDisk disk;
    disk.writeHostFile("log.txt", "first\r\nsecond\r\n   \r\nrest\r\n");
    std::FILE* file = TovFopen("C:\\log.txt", "r+");
    ASSERT_NE(file, nullptr);
    // Find the blank line the way the error log finds its end marker.
    long lineStart = 0;
    char line[256];
    long starts[3];
    for (long& start : starts) {
        start = lineStart = std::ftell(file);
        ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    }
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[1], 7);
    EXPECT_EQ(starts[2], 15);
    EXPECT_STREQ(line, "   \n");
    ASSERT_EQ(std::fseek(file, lineStart, SEEK_SET), 0);
    EXPECT_EQ(std::ftell(file), 15);
    std::fputs("new\n", file);
    EXPECT_EQ(std::ftell(file), 20);
    std::fflush(file);
    EXPECT_EQ(std::fseek(file, -6, SEEK_END), 0);
    EXPECT_STREQ(std::fgets(line, sizeof line, file), "rest\n");
    EXPECT_EQ(std::ftell(file), 26);
    EXPECT_EQ(std::fseek(file, 2, SEEK_SET), 0);
    EXPECT_EQ(std::fseek(file, 3, SEEK_CUR), 0);
    EXPECT_EQ(std::fgetc(file), '\n');
    std::fclose(file);
    EXPECT_EQ(disk.readHostFile("log.txt"), "first\r\nsecond\r\nnew\r\nrest\r\n");
}

TEST(StdioBridgeTest, AppendWritesAtTheEnd) {
    lbtest::TempDisk disk;
    disk.writeHostFile("out.txt", "old\r\n");
    std::FILE* file = TovFopen("C:\\out.txt", "a+");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "line %d\n", 1);
    std::rewind(file);
    char line[32];
    EXPECT_STREQ(std::fgets(line, sizeof line, file), "old\n");
    std::fseek(file, 0, SEEK_CUR);  // from reading to writing
    std::fprintf(file, "line %d\n", 2);
    std::fclose(file);
    EXPECT_EQ(disk.readHostFile("out.txt"), "old\r\nline 1\r\nline 2\r\n");
}

TEST(StdioBridgeTest, BinaryStreamsSeekAndTell) {
    lbtest::TempDisk disk;
    std::FILE* file = TovFopen("C:\\nvdata.bin", "w+b");
    ASSERT_NE(file, nullptr);
    unsigned char record[48];
    for (int i = 0; i < 48; ++i) {
        record[i] = static_cast<unsigned char>(i == 5 ? '\n' : i);
    }
    EXPECT_EQ(std::fwrite(record, 1, sizeof record, file), sizeof record);
    EXPECT_EQ(std::ftell(file), 48);
    EXPECT_EQ(std::fseek(file, 4, SEEK_SET), 0);
    unsigned char read[4];
    EXPECT_EQ(std::fread(read, 1, sizeof read, file), sizeof read);
    EXPECT_EQ(read[1], '\n');
    EXPECT_EQ(std::ftell(file), 8);
    std::fclose(file);
    EXPECT_EQ(disk.readHostFile("nvdata.bin").size(), 48u);
}

TEST(StdioBridgeTest, Failures) {
    lbtest::TempDisk disk;
    struct Row {
        const char* path;
        const char* mode;
        DWORD error;
        int host;
    };
    const Row rows[] = {
        {"C:\\missing.txt", "r", ERROR_FILE_NOT_FOUND, ENOENT},
        {"C:\\no\\dir.txt", "w", ERROR_PATH_NOT_FOUND, ENOENT},
        {"C:\\x.txt", "q", ERROR_INVALID_PARAMETER, EINVAL},
        {"C:\\x.txt", "rz", ERROR_INVALID_PARAMETER, EINVAL},
        {"C:\\bad|name", "w", ERROR_INVALID_NAME, ENOENT},
        {nullptr, "r", ERROR_INVALID_PARAMETER, EINVAL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        SetLastError(0xdeadbeef);
        errno = 0;
        EXPECT_EQ(TovFopen(row.path, row.mode), nullptr);
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(errno, row.host);
    }
    disk.writeHostFile("ro.txt", "x");
    SetFileAttributesA("C:\\ro.txt", FILE_ATTRIBUTE_READONLY);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(TovFopen("C:\\ro.txt", "a"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(StdioBridgeTest, StandardOutputGoesToADriveFileAndBack) {
    lbtest::TempDisk disk;
    std::printf("\n");
    COORD before;
    TovGetConsoleCursor(&before);
    ASSERT_TRUE(TovRedirectStdout("C:\\stdout.txt", "a"));
    std::printf("=== Starting standard output log ===\n\n");
    std::printf("line %d\n", 2);
    ASSERT_TRUE(TovRedirectStdout(nullptr, nullptr));
    ASSERT_TRUE(TovRedirectStdout("c:/STDOUT.TXT", "a"));
    std::printf("appended\n");
    ASSERT_TRUE(TovRedirectStdout(nullptr, nullptr));
    COORD after;
    TovGetConsoleCursor(&after);
    EXPECT_EQ(after.X, before.X);  // nothing of it reached the console
    EXPECT_EQ(after.Y, before.Y);
    EXPECT_EQ(disk.readHostFile("stdout.txt"),
              "=== Starting standard output log ===\r\n\r\nline 2\r\nappended\r\n");

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovRedirectStdout("C:\\no\\dir\\out.txt", "a"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    std::printf("console");  // still the console
    TovGetConsoleCursor(&after);
    EXPECT_EQ(after.X, before.X + 7);
    std::printf("\n");
}

}  // namespace
