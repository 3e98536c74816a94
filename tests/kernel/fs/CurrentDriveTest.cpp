#include "kernel/fs/CurrentDrive.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace {

TEST(CurrentDriveTest, OnlyDrivesWithADriverBecomeCurrent) {
    lbtest::TempDisk disk;
    EXPECT_EQ(_getdrive(), 3);
    ASSERT_EQ(_chdrive(2), 0);
    EXPECT_EQ(_getdrive(), 2);
    EXPECT_NE(GetFileAttributesA("ethernet.ini"), INVALID_FILE_ATTRIBUTES);  // found on B:

    for (int drive : {0, 1, 25, 27}) {
        SCOPED_TRACE(drive);
        errno = 0;
        EXPECT_EQ(_chdrive(drive), -1);
        EXPECT_EQ(errno, EACCES);
        EXPECT_EQ(_getdrive(), 2);
    }
    EXPECT_EQ(_chdrive(3), 0);
    EXPECT_EQ(_getdrive(), 3);
}

}  // namespace
