#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

std::vector<std::string> find(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) {
        return {"<" + std::to_string(GetLastError()) + ">"};
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    return names;
}

using Names = std::vector<std::string>;

TEST(FindTest, Patterns) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt.ini", "1");
    disk.writeHostFile("README", "12");
    disk.writeHostFile("B.TXT", "123");
    disk.writeHostFile("a.txt", "1234");
    disk.writeHostFile("zu-rt/system/errlog.txt", "");
    disk.writeHostFile("zu-rt/system/nvdata.bin", "");
    struct Row {
        const char* pattern;
        Names names;
    };
    const std::string notFound = "<" + std::to_string(ERROR_FILE_NOT_FOUND) + ">";
    const std::string pathNotFound = "<" + std::to_string(ERROR_PATH_NOT_FOUND) + ">";
    const Row rows[] = {
        {"C:\\*", {"a.txt", "B.TXT", "README", "zu-rt", "zu-rt.ini"}},
        {"C:\\*.*", {"a.txt", "B.TXT", "README", "zu-rt", "zu-rt.ini"}},
        {"c:/*.TXT", {"a.txt", "B.TXT"}},
        {"C:\\?.txt", {"a.txt", "B.TXT"}},
        {"C:\\*.", {"README", "zu-rt"}},
        {"C:\\ZU-RT.INI", {"zu-rt.ini"}},
        {"C:\\zu-rt\\SYSTEM\\*", {".", "..", "errlog.txt", "nvdata.bin"}},
        {"C:\\ZU-RT\\system\\*.bin", {"nvdata.bin"}},
        {"C:\\*.dll", {notFound}},
        {"C:\\nosuch\\*", {pathNotFound}},
        {"C:\\", {notFound}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(find(row.pattern), row.names);
    }
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\zu-rt"));
    EXPECT_EQ(find("system\\err*"), Names{"errlog.txt"});
}

TEST(FindTest, RecordsCarryAttributesAndSizes) {
    lbtest::TempDisk disk;
    disk.writeHostFile("a.txt", "1234");
    disk.writeHostFile("dir/x", "");
    SetFileAttributesA("C:\\a.txt", FILE_ATTRIBUTE_READONLY);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("C:\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "a.txt");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(data.nFileSizeLow, 4u);
    EXPECT_STREQ(data.cAlternateFileName, "");
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    ASSERT_TRUE(FindNextFileA(search, &data));
    EXPECT_STREQ(data.cFileName, "dir");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    SetLastError(kSentinel);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    SetLastError(kSentinel);
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetFileAttributesA("C:\\a.txt", 0);
}

}  // namespace
