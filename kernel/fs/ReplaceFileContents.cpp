#include "kernel/fs/ReplaceFileContents.h"

#include <string>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"

namespace {

BOOL writeAll(HANDLE file, const char* data, DWORD size) {
    DWORD done = 0;
    while (done < size) {
        const DWORD chunk = size - done < 65536 ? size - done : 65536;
        DWORD written = 0;
        if (!WriteFile(file, data + done, chunk, &written, nullptr)) {
            return FALSE;
        }
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return FALSE;
        }
        done += written;
    }
    return TRUE;
}

}  // namespace

BOOL TovReplaceFileContents(LPCSTR path, const void* data, DWORD size, TovFileVersion* written) {
    const DWORD attributes = GetFileAttributesA(path);
    // A rename would replace a read-only file that an in-place write could not open.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::string temporary = std::string(path) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    BOOL done = writeAll(file, static_cast<const char*>(data), size) && FlushFileBuffers(file) &&
                (written == nullptr || TovGetFileVersionByHandle(file, written));
    DWORD error = GetLastError();
    if (!CloseHandle(file) && done) {
        done = FALSE;
        error = GetLastError();
    }
    if (done &&
        MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return TRUE;
    }
    if (done) {
        error = GetLastError();
    }
    DeleteFileA(temporary.c_str());
    SetLastError(error);
    return FALSE;
}
