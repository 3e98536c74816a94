// The file-system operation table and the two calls that go through it.
#include "kernel/fs/FileSystemOperations.h"

#include <atomic>

#include "kernel/base/Handle.h"
#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/File.h"
#include "kernel/fs/posix/FileHandle.h"

namespace {

// Constant-initialised, so CloseHandle works from the first static constructor on.
std::atomic<TovHandleOperation> gOperations[TOV_FSOP_COUNT] = {
    {&TovCloseKernelHandle},
    {&TovFlushFileHandle},
};

bool known(TovFileSystemOperation which) {
    return which >= 0 && which < TOV_FSOP_COUNT;
}

}  // namespace

TovHandleOperation TovGetFileSystemOperation(TovFileSystemOperation which) {
    if (!known(which)) {
        return TovFail(ERROR_INVALID_PARAMETER, static_cast<TovHandleOperation>(nullptr));
    }
    return gOperations[which].load();
}

TovHandleOperation TovSetFileSystemOperation(TovFileSystemOperation which,
                                             TovHandleOperation operation) {
    if (!known(which) || operation == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, static_cast<TovHandleOperation>(nullptr));
    }
    return gOperations[which].exchange(operation);
}

BOOL CloseHandle(HANDLE handle) {
    return gOperations[TOV_FSOP_CLOSE_HANDLE].load()(handle);
}

BOOL FlushFileBuffers(HANDLE file) {
    return gOperations[TOV_FSOP_FLUSH_FILE_BUFFERS].load()(file);
}
