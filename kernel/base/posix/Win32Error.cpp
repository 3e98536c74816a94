// errno to Win32 error: the one table of the kernel layer.
#include "kernel/base/posix/Win32Error.h"

#include <cerrno>

namespace {

struct ErrorRow {
    int host;
    DWORD win32;
};

// Read top to bottom: the first row of a Win32 error is also its errno for the way back.
constexpr ErrorRow kErrors[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_FILE_NOT_FOUND},  // a link that would leave the drive is not followed
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {ETXTBSY, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EROFS, ERROR_WRITE_PROTECT},
    {EBUSY, ERROR_SHARING_VIOLATION},
    {ESPIPE, ERROR_SEEK},
    {EIO, ERROR_WRITE_FAULT},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED},
    {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ETIMEDOUT, ERROR_TIMEOUT},
    {E2BIG, ERROR_INSUFFICIENT_BUFFER},
    {ERANGE, ERROR_INSUFFICIENT_BUFFER},
};

}  // namespace

DWORD TovWin32ErrorFromErrno(int error) {
    for (const ErrorRow& row : kErrors) {
        if (row.host == error) {
            return row.win32;
        }
    }
    return ERROR_INVALID_FUNCTION;
}

int TovErrnoFromWin32Error(DWORD error) {
    switch (error) {  // Win32 errors with no row of their own
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_FILE_EXISTS:
            return EEXIST;
        default:
            break;
    }
    for (const ErrorRow& row : kErrors) {
        if (row.win32 == error) {
            return row.host;
        }
    }
    return EIO;
}
