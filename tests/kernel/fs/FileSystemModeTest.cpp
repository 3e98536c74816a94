#include "kernel/fs/FileSystemMode.h"

#include <gtest/gtest.h>

#include "kernel/base/LastError.h"

namespace {

TEST(FileSystemModeTest, OnlyTheLocalFileSystemCanBeSelected) {
    EXPECT_EQ(TovGetFileSystemMode(), TOV_FILESYSTEM_LOCAL);
    EXPECT_TRUE(TovSetFileSystemMode(TOV_FILESYSTEM_LOCAL));
    const struct {
        DWORD mode;
        DWORD error;
    } refused[] = {{TOV_FILESYSTEM_HOST, ERROR_NOT_SUPPORTED}, {2, ERROR_INVALID_PARAMETER}};
    for (const auto& row : refused) {
        SCOPED_TRACE(row.mode);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(TovSetFileSystemMode(row.mode));
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(TovGetFileSystemMode(), TOV_FILESYSTEM_LOCAL);
    }
}

}  // namespace
