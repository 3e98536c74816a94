// The DLLs the loader has loaded: one record per module, with its uses, under the loader's
// lock (recursive: a DLL's constructors and destructors may load and free DLLs).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/base/Win32Types.h"

struct TovLoadedModule {
    HMODULE handle = nullptr;       // the host loader's handle
    std::string fileName;           // full Win32 path it was loaded from
    int descriptor = -1;            // the file as the host loader opened it; see below
    std::uintptr_t loadBias = 0;    // the host loader's load address
    const void* mapBase = nullptr;  // lowest mapped address
    bool timeKnown = false;
    std::int64_t timeStamp = 0;  // last change of the file, seconds since 1970 UTC
    unsigned uses = 0;
};

// The host loader knows a module by the name "/proc/self/fd/N" it was opened with and would
// hand it out again for that name, so N stays open while the module is loaded (and for good
// when the host keeps the module mapped after its last use).
class TovLoadedModules {
public:
    static TovLoadedModules& instance();

    std::recursive_mutex& lock() { return lock_; }

    // Lookups; the lock must be held. Null when there is none.
    TovLoadedModule* byHandle(HMODULE handle);
    TovLoadedModule* byFileName(const std::string& fileName);  // case-blind
    TovLoadedModule* byBaseName(const std::string& baseName);  // case-blind

    void add(TovLoadedModule module) { modules_.push_back(std::move(module)); }
    // Takes the record out of the table and hands it over.
    TovLoadedModule remove(HMODULE handle);

    // For crash reports: the record of the module the host loaded at `loadBias`, copied, if
    // the lock can be had at once (a crashed thread may hold it).
    bool tryFind(std::uintptr_t loadBias, TovLoadedModule& module);

private:
    std::recursive_mutex lock_;
    std::vector<TovLoadedModule> modules_;
};

// The name the host loader opens a descriptor by.
std::string TovDescriptorPath(int descriptor);
