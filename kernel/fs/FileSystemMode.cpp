// The per-thread file-system mode; only the local file system exists here.
#include "kernel/fs/FileSystemMode.h"

#include "kernel/base/LastError.h"

namespace {
thread_local DWORD tMode = TOV_FILESYSTEM_LOCAL;
}

DWORD TovGetFileSystemMode() {
    return tMode;
}

BOOL TovSetFileSystemMode(DWORD mode) {
    if (mode == TOV_FILESYSTEM_LOCAL) {
        tMode = mode;
        return TRUE;
    }
    SetLastError(mode == TOV_FILESYSTEM_HOST ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
    return FALSE;
}
