#include "app/services/JoinPath.h"

#include <gtest/gtest.h>

#include "app/services/DesktopApp.h"
#include "app/services/EmbeddedTarget.h"
#include "app/services/ReadOnlyAttribute.h"
#include "kernel/File.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

TEST(JoinPathTest, Cases) {
    struct Row {
        const char* name;
        const char* directory;
        const char* joined;
    };
    const Row rows[] = {
        {"nvdata.bin", "C:/zu-rt/system/", "C:\\zu-rt\\system\\\\nvdata.bin"},
        {"\\nvdata.bin", "C:\\zu-rt\\system\\", "C:\\zu-rt\\system\\nvdata.bin"},
        {"a/b.txt", "C:\\dir\\file.ext", "C:\\dir\\\\a\\b.txt"},
        {"", "C:\\", "C:\\\\"},
        {"x", "nodirectory", "\\x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string name = row.name;
        joinPath(name, row.directory);
        EXPECT_EQ(name, row.joined);
    }
}

TEST(SetReadOnlyTest, TogglesTheBitAndFailsOnAMissingFile) {
    lbtest::TempDisk disk;
    disk.writeHostFile("file.txt", "x");
    EXPECT_TRUE(setReadOnly("C:\\FILE.TXT", true));
    EXPECT_TRUE(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(setReadOnly("c:/file.txt", false));
    EXPECT_FALSE(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(setReadOnly("C:\\missing.txt", true));
}

TEST(DesktopAppTest, BlinkCounts) {
    const std::pair<int, int> rows[] = {{1, 4}, {2, 2}, {3, 2}, {4, 2}, {6, 2},
                                        {7, 1}, {5, 3}, {0, 3}, {8, 1}};  // 8: no static IP
    for (auto [code, blinks] : rows) {
        EXPECT_EQ(EmbeddedTarget::blinkCount(code), blinks) << code;
    }
}

}  // namespace
}  // namespace rx_fwk
