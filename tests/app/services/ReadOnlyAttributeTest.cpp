#include "app/services/ReadOnlyAttribute.h"

#include <gtest/gtest.h>

#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

TEST(SetReadOnlyTest, TogglesTheBitAndFailsOnAMissingFile) {
    lbtest::TempDisk disk;
    disk.writeHostFile("file.txt", "x");
    EXPECT_TRUE(setReadOnly("C:\\FILE.TXT", true));
    EXPECT_TRUE(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(setReadOnly("c:/file.txt", false));
    EXPECT_FALSE(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(setReadOnly("C:\\missing.txt", true));
}

}  // namespace
}  // namespace rx_fwk
