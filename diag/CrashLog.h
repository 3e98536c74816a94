// The crash log written to "rtlog.txt" for an unhandled exception.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "kernel/hw/Exception.h"
#include "kernel/hw/MemoryStatistics.h"
#include "kernel/module/ModuleList.h"

namespace nZUEmbCfg {

// Everything the log shows, gathered by the exception handler thread.
struct CrashReport {
    const EXCEPTION_RECORD* record;
    const CONTEXT* context;
    TovThreadInfo thread;  // zeroed when unknown: the frame walk then stops at once
    std::string targetTypeName;
    std::uint16_t targetCode;
    bool timeKnown;
    SYSTEMTIME utc;
    DWORD tickCount;
    std::vector<TovModuleInfo> modules;
    TovMemoryStatistics memory;
    // Saves the kernel's event log; returns how many events were saved.
    std::function<int()> saveEvents;
};

// Most frames the call stack shows.
constexpr int kMaxCallStackLevels = 256;

void writeCrashLog(std::FILE* out, const CrashReport& report);

}  // namespace nZUEmbCfg
