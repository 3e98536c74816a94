// The loader's table of loaded DLLs.
#include "kernel/module/posix/LoadedModules.h"

#include <algorithm>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/module/DllName.h"

TovLoadedModules& TovLoadedModules::instance() {
    static TovLoadedModules* table = new TovLoadedModules();  // used until the process ends
    return *table;
}

TovLoadedModule* TovLoadedModules::byHandle(HMODULE handle) {
    for (TovLoadedModule& module : modules_) {
        if (module.handle == handle) {
            return &module;
        }
    }
    return nullptr;
}

TovLoadedModule* TovLoadedModules::byFileName(const std::string& fileName) {
    for (TovLoadedModule& module : modules_) {
        if (TovSameName(module.fileName, fileName)) {
            return &module;
        }
    }
    return nullptr;
}

TovLoadedModule* TovLoadedModules::byBaseName(const std::string& baseName) {
    for (TovLoadedModule& module : modules_) {
        if (TovSameName(TovDllBaseName(module.fileName), baseName)) {
            return &module;
        }
    }
    return nullptr;
}

TovLoadedModule TovLoadedModules::remove(HMODULE handle) {
    auto found = std::find_if(modules_.begin(), modules_.end(),
                              [handle](const TovLoadedModule& m) { return m.handle == handle; });
    TovLoadedModule module = std::move(*found);
    modules_.erase(found);
    return module;
}

bool TovLoadedModules::tryFind(std::uintptr_t loadBias, TovLoadedModule& module) {
    std::unique_lock<std::recursive_mutex> guard(lock_, std::try_to_lock);
    if (!guard.owns_lock()) {
        return false;
    }
    for (const TovLoadedModule& candidate : modules_) {
        if (candidate.loadBias == loadBias) {
            module = candidate;
            return true;
        }
    }
    return false;
}

std::string TovDescriptorPath(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}
