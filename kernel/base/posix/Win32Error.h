// The one translation of host errors into Win32 errors, and the helper every failing kernel
// call returns through.
#pragma once

#include "kernel/base/LastError.h"
#include "kernel/base/Win32Types.h"

// The Win32 error for a host errno value (ERROR_INVALID_FUNCTION when there is no better one).
DWORD TovWin32ErrorFromErrno(int error);

// The errno value that best describes a Win32 error, for C runtime callers (EIO by default).
int TovErrnoFromWin32Error(DWORD error);

// Leaves `error` as the calling thread's last error and returns the call's failure value.
template <typename T>
T TovFail(DWORD error, T failure) {
    SetLastError(error);
    return failure;
}

// The same for a failed host call: the errno value is translated first.
template <typename T>
T TovFailErrno(int error, T failure) {
    return TovFail(TovWin32ErrorFromErrno(error), failure);
}
