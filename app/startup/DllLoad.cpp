#include "app/startup/DllLoad.h"

#include "app/startup/DllLoadOptions.h"
#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/FileSystemMode.h"
#include "kernel/module/LoaderMessages.h"
#include "kernel/module/Module.h"

namespace rx_fwk {
namespace {

constexpr int kLoadInfoRaise = 40;

// The loader's message level raised for the length of one load; another thread's raise at
// the same time adds up and comes off again the same way.
class RaisedLoaderLevel {
public:
    explicit RaisedLoaderLevel(bool raise) : raise_(raise) {
        if (raise_) {
            TovAddToMessageLevel(kTovLoaderComponent, kLoadInfoRaise);
        }
    }
    ~RaisedLoaderLevel() {
        if (raise_) {
            TovAddToMessageLevel(kTovLoaderComponent, -kLoadInfoRaise);
        }
    }
    RaisedLoaderLevel(const RaisedLoaderLevel&) = delete;
    RaisedLoaderLevel& operator=(const RaisedLoaderLevel&) = delete;

private:
    bool raise_;
};

// Switches the calling thread's file system; the current directory is applied again in it.
bool switchFileSystem(DWORD mode) {
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (!TovSetFileSystemMode(mode)) {
        return false;
    }
    if (length > 0 && length < sizeof directory) {
        SetCurrentDirectoryA(directory);
    }
    return true;
}

HMODULE loadFromHostFirst(const char* name, DWORD& error) {
    const DWORD previous = TovGetFileSystemMode();
    if (!switchFileSystem(TOV_FILESYSTEM_HOST)) {
        HMODULE module = LoadLibraryA(name);
        error = GetLastError();
        return module;
    }
    HMODULE module = LoadLibraryA(name);
    if (module == nullptr) {
        switchFileSystem(TOV_FILESYSTEM_LOCAL);
        module = LoadLibraryA(name);
    }
    error = GetLastError();
    switchFileSystem(previous);
    return module;
}

}  // namespace

HMODULE loadDll(const char* name) {
    const DllLoadOptions options = dllLoadOptions();
    HMODULE module = nullptr;
    DWORD error = 0;
    {
        RaisedLoaderLevel raised(options.printLoadInfo);
        if (options.loadFromHostFirst) {
            module = loadFromHostFirst(name, error);
        } else {
            module = LoadLibraryA(name);
            error = GetLastError();
        }
    }
    SetLastError(error);
    return module;
}

}  // namespace rx_fwk
