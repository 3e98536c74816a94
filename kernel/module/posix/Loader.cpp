// LoadLibraryA, FreeLibrary and GetProcAddress over the host's dynamic loader. A DLL is
// opened through its drive (so a C: path never leads out of the disk directory) and handed
// to dlopen as "/proc/self/fd/N". Imports resolve against what the image exports.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "kernel/base/ErrorText.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/fs/posix/DriveTable.h"
#include "kernel/module/DllName.h"
#include "kernel/module/LoaderMessages.h"
#include "kernel/module/Module.h"
#include "kernel/module/posix/DllImage.h"
#include "kernel/module/posix/ImageModule.h"
#include "kernel/module/posix/LoadedModules.h"
#include "kernel/time/posix/Clock.h"

namespace {

int level() {
    return TovMessageLevel(kTovLoaderComponent);
}

struct Found {
    std::unique_ptr<TovDriveFile> file;
    std::string fileName;  // full Win32 path
};

// The first candidate that opens, with its full path.
Found find(const std::string& fileName) {
    for (const std::string& candidate : TovDllCandidates(fileName)) {
        if (level() >= kLoaderDetailLevel) {
            TovDebugPrint("Loader: trying %s\n", candidate.c_str());
        }
        std::shared_ptr<TovDrive> drive = TovDriveOf(candidate.c_str());
        if (drive == nullptr) {
            continue;
        }
        std::unique_ptr<TovDriveFile> file =
            drive->open(candidate.c_str(), GENERIC_READ, OPEN_EXISTING, 0);
        if (file == nullptr) {
            continue;
        }
        char full[MAX_PATH];
        const DWORD length = drive->fullPathName(candidate.c_str(), sizeof full, full, nullptr);
        return Found{std::move(file),
                     length > 0 && length < sizeof full ? std::string(full) : candidate};
    }
    return Found{};
}

void fileTime(TovDriveFile& file, TovLoadedModule& module) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.information(&info)) {
        return;
    }
    const ULONGLONG units =
        (ULONGLONG(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    if (units >= kFileTimeUnixEpoch) {
        module.timeKnown = true;
        module.timeStamp = std::int64_t((units - kFileTimeUnixEpoch) / 10000000);
    }
}

HMODULE failLoad(const std::string& name, DWORD error, const char* detail) {
    if (level() >= kLoaderFailureLevel) {
        TovDebugPrint("Loader: cannot load %s: %s (error %u)%s%s\n", name.c_str(),
                      TovErrorText(error), unsigned(error), detail != nullptr ? ": " : "",
                      detail != nullptr ? detail : "");
    }
    return TovFail(error, HMODULE{nullptr});
}

HMODULE use(TovLoadedModule& module) {
    ++module.uses;
    if (level() >= kLoaderDetailLevel) {
        TovDebugPrint("Loader: %s already loaded, %u uses\n", module.fileName.c_str(), module.uses);
    }
    return module.handle;
}

// Maps the opened file; the module's record on success.
HMODULE map(const std::string& name, Found& found) {
    TovLoadedModule module;
    module.fileName = found.fileName;
    module.descriptor = TovDllDescriptor(*found.file, TovDllBaseName(found.fileName));
    if (module.descriptor < 0) {
        return failLoad(name, GetLastError(), nullptr);
    }
    fileTime(*found.file, module);
    found.file.reset();
    if (const DWORD error = TovCheckSharedObject(module.descriptor)) {
        ::close(module.descriptor);
        return failLoad(name, error, nullptr);
    }

    module.handle = ::dlopen(TovDescriptorPath(module.descriptor).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle == nullptr) {
        const char* why = ::dlerror();
        const DWORD error = TovDlopenError(why);
        ::close(module.descriptor);
        return failLoad(name, error, why);
    }
    TovLoadedModules& table = TovLoadedModules::instance();
    if (TovLoadedModule* same = table.byHandle(module.handle)) {
        // The same host file under another name: the host loader counted one more use.
        ::dlclose(module.handle);
        ::close(module.descriptor);
        return use(*same);
    }
    link_map* map = nullptr;
    if (::dlinfo(module.handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
        module.loadBias = map->l_addr;
        Dl_info info;
        if (::dladdr(map->l_ld, &info) != 0) {
            module.mapBase = info.dli_fbase;
        }
    }
    module.uses = 1;
    if (level() >= kLoaderModuleLevel) {
        TovDebugPrint("Loader: loaded %s at %p\n", module.fileName.c_str(), module.mapBase);
    }
    HMODULE handle = module.handle;
    table.add(std::move(module));
    return handle;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    if (name == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, HMODULE{nullptr});
    }
    TovLoadedModules& table = TovLoadedModules::instance();
    std::lock_guard<std::recursive_mutex> guard(table.lock());
    const std::string fileName = TovDllFileName(name);
    if (level() >= kLoaderSearchLevel) {
        TovDebugPrint("Loader: loading %s\n", fileName.c_str());
    }
    if (TovDllBaseName(fileName).empty()) {
        return failLoad(fileName, ERROR_MOD_NOT_FOUND, nullptr);
    }
    if (TovIsImageName(name) || TovIsImageName(fileName)) {
        return TovImageHandle();
    }
    if (!TovDllNameHasPath(fileName)) {
        if (TovLoadedModule* loaded = table.byBaseName(fileName)) {
            return use(*loaded);
        }
    }
    Found found = find(fileName);
    if (found.file == nullptr) {
        return failLoad(fileName, ERROR_MOD_NOT_FOUND, nullptr);
    }
    if (level() >= kLoaderSearchLevel) {
        TovDebugPrint("Loader: %s found as %s\n", fileName.c_str(), found.fileName.c_str());
    }
    if (TovLoadedModule* loaded = table.byFileName(found.fileName)) {
        return use(*loaded);
    }
    return map(fileName, found);
}

BOOL FreeLibrary(HMODULE module) {
    if (module != nullptr && module == TovImageHandle()) {
        return TRUE;
    }
    TovLoadedModules& table = TovLoadedModules::instance();
    std::lock_guard<std::recursive_mutex> guard(table.lock());
    TovLoadedModule* loaded = table.byHandle(module);
    if (loaded == nullptr) {
        return TovFail(ERROR_MOD_NOT_FOUND, FALSE);
    }
    if (--loaded->uses > 0) {
        if (level() >= kLoaderDetailLevel) {
            TovDebugPrint("Loader: %s stays loaded, %u uses\n", loaded->fileName.c_str(),
                          loaded->uses);
        }
        return TRUE;
    }
    // Out of the table first: its destructors may load and free modules.
    TovLoadedModule gone = table.remove(module);
    if (level() >= kLoaderModuleLevel) {
        TovDebugPrint("Loader: unloading %s\n", gone.fileName.c_str());
    }
    ::dlclose(gone.handle);
    // A module the host keeps mapped (unique symbols, for example) keeps its name too, so
    // the descriptor number must never name another file.
    const std::string path = TovDescriptorPath(gone.descriptor);
    if (void* kept = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
        ::dlclose(kept);
        if (level() >= kLoaderDetailLevel) {
            TovDebugPrint("Loader: the host keeps %s mapped\n", gone.fileName.c_str());
        }
    } else {
        ::close(gone.descriptor);
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (name == nullptr || reinterpret_cast<std::uintptr_t>(name) < 0x10000) {
        return TovFail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});  // no ordinals here
    }
    TovLoadedModules& table = TovLoadedModules::instance();
    std::lock_guard<std::recursive_mutex> guard(table.lock());
    HMODULE image = TovImageHandle();
    const TovLoadedModule* loaded = nullptr;
    if (module == nullptr || module == image) {
        module = image;
    } else if ((loaded = table.byHandle(module)) == nullptr) {
        return TovFail(ERROR_MOD_NOT_FOUND, FARPROC{nullptr});
    }
    ::dlerror();
    void* address = ::dlsym(module, name);
    if (address == nullptr) {
        return TovFail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
    }
    // dlsym also searches the libraries a module uses; a module exports only its own.
    if (loaded != nullptr) {
        Dl_info info;
        if (::dladdr(address, &info) == 0 || info.dli_fbase != loaded->mapBase) {
            return TovFail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
        }
    }
    if (level() >= kLoaderDetailLevel) {
        TovDebugPrint("Loader: %s is at %p\n", name, address);
    }
    return reinterpret_cast<FARPROC>(address);
}
