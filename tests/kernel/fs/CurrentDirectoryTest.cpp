#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/boot/Kernel.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

std::string current() {
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

TEST(CurrentDirectoryTest, SetAndGet) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt/system/errlog.txt", "");
    EXPECT_EQ(current(), "C:\\");
    struct Row {
        const char* path;
        const char* current;
    };
    const Row rows[] = {
        {"C:\\zu-rt\\system", "C:\\zu-rt\\system"},
        {"..", "C:\\zu-rt"},
        {"SYSTEM\\", "C:\\zu-rt\\SYSTEM"},
        {"\\", "C:\\"},
        {"c:/Zu-Rt", "C:\\Zu-Rt"},
        {"C:\\..\\..", "C:\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_TRUE(SetCurrentDirectoryA(row.path));
        EXPECT_EQ(current(), row.current);
    }
}

TEST(CurrentDirectoryTest, BufferSizes) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt/x", "");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\zu-rt"));
    char small[8] = "unset";
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), 9u);  // "C:\zu-rt" and terminator
    EXPECT_STREQ(small, "unset");
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 9u);
    char exact[9];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof exact, exact), 8u);
    EXPECT_STREQ(exact, "C:\\zu-rt");
}

TEST(CurrentDirectoryTest, Failures) {
    lbtest::TempDisk disk;
    disk.writeHostFile("file.txt", "");
    struct Row {
        const char* path;
        DWORD error;
    };
    const Row rows[] = {
        {"C:\\missing", ERROR_PATH_NOT_FOUND}, {"C:\\missing\\deeper", ERROR_PATH_NOT_FOUND},
        {"C:\\file.txt", ERROR_DIRECTORY},     {"Q:\\", ERROR_PATH_NOT_FOUND},
        {"", ERROR_INVALID_PARAMETER},         {nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path == nullptr ? "null" : row.path);
        SetLastError(kSentinel);
        EXPECT_FALSE(SetCurrentDirectoryA(row.path));
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(current(), "C:\\");
    }
}

TEST(CurrentDirectoryTest, StartingTheKernelAgainMakesTheRootCurrent) {
    lbtest::TempDisk disk;
    disk.writeHostFile("deep/x", "");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\deep"));
    TovKernelOptions options;
    options.disk = disk.root();
    options.pace = 0;
    ASSERT_TRUE(TovKernelStart(options));
    EXPECT_EQ(current(), "C:\\");
    EXPECT_EQ(GetFileAttributesA("deep"), FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
