#include "kernel/fs/DiskSpace.h"

#include <gtest/gtest.h>

#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "kernel/fs/Stdio.h"
#include "tests/support/TempDisk.h"

namespace {

TEST(DiskSpaceTest, HostDriveReportsItsFileSystemOthersRefuse) {
    lbtest::TempDisk disk;
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(free.QuadPart, total.QuadPart);
    EXPECT_LE(available.QuadPart, free.QuadPart);
    EXPECT_TRUE(GetDiskFreeSpaceExA(nullptr, nullptr, &total, nullptr));  // the current drive

    const struct {
        const char* root;
        DWORD error;
    } rows[] = {{"B:\\", ERROR_NOT_SUPPORTED}, {"Y:\\", ERROR_PATH_NOT_FOUND}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.root);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetDiskFreeSpaceExA(row.root, &available, &total, &free));
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_EQ(GetDriveTypeA("B:\\"), DRIVE_RAMDISK);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
}

}  // namespace
