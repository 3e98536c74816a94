// Crash log lines. Registers and addresses are 64 bits wide on this processor; the lines
// keep the layout of the 32-bit controller with the wider names and numbers.
#include "diag/CrashLog.h"

#include <cstring>

#include "kernel/time/Time.h"

namespace nZUEmbCfg {
namespace {

using Word = std::uintptr_t;

void writeUtc(std::FILE* out, const SYSTEMTIME& t) {
    std::fprintf(out, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond);
}

bool utcOfUnixTime(std::int64_t seconds, SYSTEMTIME& t) {
    constexpr std::int64_t k1970InFileTime = 116444736000000000;
    if (seconds < 0) {
        return false;
    }
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds) * 10000000ull + k1970InFileTime;
    FILETIME fileTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return FileTimeToSystemTime(&fileTime, &t) != FALSE;
}

unsigned long long hex(ULONGLONG value) {
    return value;
}

// Follows saved frame pointers, never outside the faulting thread's stack: each frame
// holds the caller's frame and the return address, two words that must both lie inside.
void writeCallStack(std::FILE* out, const CONTEXT& context, const TovThreadInfo& thread) {
    std::fprintf(out, "Level  1:  Code pointer: 0x%016llX  Stack Base: 0x%016llX\n",
                 hex(context.Rip), hex(context.Rbp));
    const Word low = thread.stackBase;
    const Word high = thread.stackBase + thread.stackSize / sizeof(Word) * sizeof(Word);
    Word frame = context.Rbp;
    for (int level = 2; level <= kMaxCallStackLevels; ++level) {
        if (frame < low || frame > high || high - frame < 2 * sizeof(Word)) {
            break;
        }
        Word caller;
        Word returnAddress;
        std::memcpy(&caller, reinterpret_cast<const void*>(frame), sizeof caller);
        std::memcpy(&returnAddress, reinterpret_cast<const void*>(frame + sizeof(Word)),
                    sizeof returnAddress);
        std::fprintf(out, "Level %2d:  Code pointer: 0x%016llX  Stack Base: 0x%016llX\n", level,
                     hex(returnAddress), hex(caller));
        frame = caller;
    }
}

void writeModule(std::FILE* out, const TovModuleInfo& module) {
    if (module.addressKnown && module.size > 0) {
        std::fprintf(out, "%016llX-%016llX", hex(module.base), hex(module.base + module.size - 1));
    } else {
        std::fputs("??????~????????", out);
    }
    std::fprintf(out, " %s", module.name);
    if (module.fileName[0] != '\0') {
        std::fprintf(out, " (%s)", module.fileName);
    }
    SYSTEMTIME stamp;
    if (module.timeKnown && utcOfUnixTime(module.timeStamp, stamp)) {
        std::fputc(' ', out);
        writeUtc(out, stamp);
    }
    std::fputc('\n', out);
}

}  // namespace

void writeCrashLog(std::FILE* out, const CrashReport& report) {
    const CONTEXT& c = *report.context;
    std::fprintf(out, "*** BEGIN SYSTEM EXCEPTION LOG ***\n\n");
    std::fprintf(out, "Target type: %s\n", report.targetTypeName.c_str());
    std::fprintf(out, "Target code: %04X\n\n", report.targetCode);
    if (report.timeKnown) {
        std::fputs("System time (UTC): ", out);
        writeUtc(out, report.utc);
        std::fputc('\n', out);
    }
    std::fprintf(out, "System tick count: %d ms\n\n", static_cast<int>(report.tickCount));
    std::fprintf(out, "Exception code: 0x%08X\n\n",
                 static_cast<unsigned>(report.record->ExceptionCode));

    std::fprintf(out, "Register contents:\n");
    std::fprintf(out, "RAX = 0x%016llX  RBX = 0x%016llX  RCX = 0x%016llX\n", hex(c.Rax), hex(c.Rbx),
                 hex(c.Rcx));
    std::fprintf(out, "RDX = 0x%016llX  RSI = 0x%016llX  RDI = 0x%016llX\n", hex(c.Rdx), hex(c.Rsi),
                 hex(c.Rdi));
    std::fprintf(out, "RBP = 0x%016llX  RSP = 0x%016llX  RIP = 0x%016llX\n\n", hex(c.Rbp),
                 hex(c.Rsp), hex(c.Rip));
    std::fprintf(out, "CS = 0x%04X  DS = 0x%04X  SS = 0x%04X\n", c.SegCs, c.SegDs, c.SegSs);
    std::fprintf(out, "ES = 0x%04X  FS = 0x%04X  GS = 0x%04X\n\n", c.SegEs, c.SegFs, c.SegGs);

    std::fprintf(out, "Thread name: %s\n",
                 report.thread.name[0] != '\0' ? report.thread.name : "<unnamed>");
    std::fprintf(out, "Thread stack base: 0x%016llX  stack size: %llu\n\n",
                 hex(report.thread.stackBase),
                 static_cast<unsigned long long>(report.thread.stackSize));

    std::fprintf(out, "Call Stack:\n");
    writeCallStack(out, c, report.thread);
    std::fputc('\n', out);

    std::fprintf(out, "Loaded Modules:\n");
    for (const TovModuleInfo& module : report.modules) {
        writeModule(out, module);
    }
    std::fputc('\n', out);

    const TovMemoryStatistics& m = report.memory;
    std::fprintf(out, "Memory statistics:\n");
    std::fprintf(out, "Total system memory:           %ld bytes\n",
                 static_cast<long>(m.totalBytes));
    std::fprintf(out, "Free memory:                   %ld bytes\n",
                 static_cast<long>(m.freePages * kMemoryPageSize));
    std::fprintf(out, "Largest free block:            %ld bytes\n",
                 static_cast<long>(m.longestFreeRun * kMemoryPageSize));
    std::fprintf(out, "Free RTOS heap memory:         %ld bytes\n",
                 static_cast<long>(m.heapFreeBytes));
    std::fprintf(out, "Largest free RTOS heap block:  %ld bytes\n\n",
                 static_cast<long>(m.heapLargestFree));

    const int saved = report.saveEvents ? report.saveEvents() : 0;
    if (saved > 0) {
        std::fprintf(out, "Saved %d system events to eventlog.txt\n\n", saved);
    }
    std::fprintf(out, "*** END SYSTEM EXCEPTION LOG ***\n\n");
    std::fflush(out);
}

}  // namespace nZUEmbCfg
