// The modules loaded in the process (the image and its DLLs), for crash reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernel/base/Win32Types.h"

struct TovModuleInfo {
    bool addressKnown;
    std::uintptr_t base;      // first address
    std::size_t size;         // bytes; the last address is base + size - 1
    char name[64];            // file name without directories
    char fileName[MAX_PATH];  // full file name, empty when unknown
    bool timeKnown;
    std::int64_t timeStamp;  // last change of the file, seconds since 1970 UTC
};

// In the kernel's module order: the image first, then the modules in the order they were
// loaded.
std::vector<TovModuleInfo> TovListModules();
