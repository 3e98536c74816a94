// Module handles and file names: the image, and the DLLs the loader has loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/File.h"
#include "kernel/hw/Machine.h"
#include "kernel/module/DllName.h"
#include "kernel/module/Module.h"
#include "kernel/module/posix/ImageModule.h"
#include "kernel/module/posix/LoadedModules.h"

namespace {

std::string hostExecutable() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

HMODULE TovImageHandle() {
    static HMODULE handle = dlopen(nullptr, RTLD_LAZY);
    return handle;
}

std::string TovImageFileName() {
    std::string executable = hostExecutable();
    std::string root = TovDiskRoot();
    std::string inside;
    if (!root.empty() && executable.compare(0, root.size() + 1, root + "/") == 0) {
        inside = executable.substr(root.size() + 1);
    } else {
        inside = executable.substr(executable.find_last_of('/') + 1);
    }
    for (char& c : inside) {
        if (c == '/') {
            c = '\\';
        }
    }
    return "C:\\" + inside;
}

bool TovIsImageName(const std::string& name) {
    const std::string image = TovImageFileName();
    return TovSameName(name, image) || TovSameName(TovDllBaseName(name), TovDllBaseName(image));
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (name == nullptr || TovIsImageName(name)) {
        return TovImageHandle();
    }
    const std::string fileName = TovDllFileName(name);
    if (TovIsImageName(fileName)) {
        return TovImageHandle();
    }
    TovLoadedModules& table = TovLoadedModules::instance();
    std::lock_guard<std::recursive_mutex> guard(table.lock());
    const TovLoadedModule* loaded = nullptr;
    if (TovDllNameHasPath(fileName)) {
        char full[MAX_PATH];
        const DWORD length = GetFullPathNameA(fileName.c_str(), sizeof full, full, nullptr);
        if (length > 0 && length < sizeof full) {
            loaded = table.byFileName(full);
        }
    } else {
        loaded = table.byBaseName(fileName);
    }
    return loaded != nullptr ? loaded->handle : TovFail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    std::string name;
    if (module == nullptr || module == TovImageHandle()) {
        name = TovImageFileName();
    } else {
        TovLoadedModules& table = TovLoadedModules::instance();
        std::lock_guard<std::recursive_mutex> guard(table.lock());
        const TovLoadedModule* loaded = table.byHandle(module);
        if (loaded == nullptr) {
            return TovFail(ERROR_MOD_NOT_FOUND, DWORD{0});
        }
        name = loaded->fileName;
    }
    if (buffer == nullptr || size == 0) {
        return TovFail(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
    }
    if (name.size() >= size) {  // cut and terminated, as Win32 does
        std::memcpy(buffer, name.c_str(), size - 1);
        buffer[size - 1] = '\0';
        return TovFail(ERROR_INSUFFICIENT_BUFFER, size);
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}
