// The image as a module: its handle and the file name the controller sees.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/boot/Module.h"
#include "kernel/hw/Machine.h"

namespace {

HMODULE imageHandle() {
    static HMODULE handle = dlopen(nullptr, RTLD_LAZY);
    return handle;
}

std::string hostExecutable() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// Its path on C: when the executable lies inside the drive, else "C:\" and its file name.
std::string imageFileName() {
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

std::string baseName(const std::string& path) {
    std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) {
    if (name == nullptr) {
        return imageHandle();
    }
    std::string image = imageFileName();
    if (TovSameName(name, image) || TovSameName(baseName(name), baseName(image))) {
        return imageHandle();
    }
    return TovFail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module != nullptr && module != imageHandle()) {
        return TovFail(ERROR_MOD_NOT_FOUND, DWORD{0});
    }
    if (buffer == nullptr || size == 0) {
        return TovFail(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
    }
    std::string name = imageFileName();
    if (name.size() >= size) {  // cut and terminated, as Win32 does
        std::memcpy(buffer, name.c_str(), size - 1);
        buffer[size - 1] = '\0';
        return TovFail(ERROR_INSUFFICIENT_BUFFER, size);
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}
