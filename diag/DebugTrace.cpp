#include "diag/DebugTrace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace nZUEmbCfg {
namespace {
std::atomic<DebugTraceHook> gHook{nullptr};
}

void debugTrace(const char* format, ...) {
    DebugTraceHook hook = gHook.load();
    if (hook == nullptr) {
        return;
    }
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    hook(text);
}

void setDebugTraceHook(DebugTraceHook hook) {
    gHook = hook;
}

}  // namespace nZUEmbCfg
