#include "kernel/base/posix/Win32Error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(Win32ErrorTest, HostErrorsTranslate) {
    struct Row {
        int host;
        DWORD win32;
    };
    const Row rows[] = {
        {ENOENT, ERROR_FILE_NOT_FOUND},      {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED},       {EPERM, ERROR_ACCESS_DENIED},
        {EEXIST, ERROR_ALREADY_EXISTS},      {ENOSPC, ERROR_DISK_FULL},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES}, {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
        {EROFS, ERROR_WRITE_PROTECT},        {EBADF, ERROR_INVALID_HANDLE},
        {EINVAL, ERROR_INVALID_PARAMETER},   {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {EXDEV, ERROR_NOT_SAME_DEVICE},      {EHOSTDOWN, ERROR_INVALID_FUNCTION},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(TovWin32ErrorFromErrno(row.host), row.win32);
    }
}

TEST(Win32ErrorTest, Win32ErrorsTranslateBackForTheCRuntime) {
    struct Row {
        DWORD win32;
        int host;
    };
    const Row rows[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT}, {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},  {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_DISK_FULL, ENOSPC},      {ERROR_INVALID_PARAMETER, EINVAL},
        {ERROR_BAD_EXE_FORMAT, EIO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.win32);
        EXPECT_EQ(TovErrnoFromWin32Error(row.win32), row.host);
    }
}

TEST(Win32ErrorTest, FailLeavesTheErrorAndAnswersTheFailureValue) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(TovFail(ERROR_SEEK, -1), -1);
    EXPECT_EQ(GetLastError(), ERROR_SEEK);
    EXPECT_EQ(TovFailErrno(ENOENT, 0u), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
