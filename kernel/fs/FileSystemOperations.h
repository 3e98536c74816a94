// The file-system operation table: CloseHandle and FlushFileBuffers run through its entries,
// so that a layer below the files (a disk cache) can wrap the calls that finish work on an
// open file.
#pragma once

#include "kernel/base/Win32Types.h"

using TovHandleOperation = BOOL (*)(HANDLE handle);

enum TovFileSystemOperation {
    TOV_FSOP_CLOSE_HANDLE = 0,
    TOV_FSOP_FLUSH_FILE_BUFFERS = 1,
    TOV_FSOP_COUNT = 2,
};

TovHandleOperation TovGetFileSystemOperation(TovFileSystemOperation which);
// Puts `operation` in the entry and answers what the entry held; null with
// ERROR_INVALID_PARAMETER (nothing changed) for an unknown entry or a null operation.
TovHandleOperation TovSetFileSystemOperation(TovFileSystemOperation which,
                                             TovHandleOperation operation);
