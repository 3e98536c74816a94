// The Windows directory, kept by the kernel.
#include "kernel/fs/WindowsDirectory.h"

#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"

namespace {

struct WindowsDirectory {
    WindowsDirectory() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    char path[MAX_PATH] = "C:\\";
};

WindowsDirectory& windowsDirectory() {
    static WindowsDirectory directory;
    return directory;
}

}  // namespace

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    WindowsDirectory& dir = windowsDirectory();
    EnterCriticalSection(&dir.lock);
    const std::size_t length = std::strlen(dir.path);
    UINT result = static_cast<UINT>(length + 1);
    if (buffer != nullptr && length < size) {
        std::memcpy(buffer, dir.path, length + 1);
        result = static_cast<UINT>(length);
    }
    LeaveCriticalSection(&dir.lock);
    return result;
}

BOOL TovSetWindowsDirectory(LPCSTR path) {
    if (path == nullptr || path[0] == '\0' || std::strlen(path) >= MAX_PATH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowsDirectory& dir = windowsDirectory();
    EnterCriticalSection(&dir.lock);
    std::strcpy(dir.path, path);
    LeaveCriticalSection(&dir.lock);
    return TRUE;
}
