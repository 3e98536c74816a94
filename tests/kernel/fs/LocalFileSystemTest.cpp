#include "kernel/fs/LocalFileSystem.h"

#include <gtest/gtest.h>

#include <memory>

#include "kernel/base/LastError.h"
#include "kernel/fs/Drive.h"
#include "tests/support/TempDisk.h"

namespace {

TEST(LocalFileSystemTest, DriveCUsableIsWhatTheCallsReport) {
    lbtest::TempDisk disk;
    EXPECT_TRUE(TovFileSystemSupported());
    EXPECT_TRUE(TovIDEInit());
    EXPECT_TRUE(TovLocalFSInit(0));
    EXPECT_TRUE(TovLocalFSInit(3));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovLocalFSInit(4));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(LocalFileSystemTest, WithoutDriveCNothingIsReady) {
    lbtest::TempDisk disk;
    ASSERT_TRUE(TovUnregisterDrive(2));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovIDEInit());
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(TovLocalFSInit(3));
    EXPECT_FALSE(TovUnregisterDrive(2));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DRIVE);
}  // the disk's end mounts C: again

}  // namespace
