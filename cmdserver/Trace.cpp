#include "cmdserver/Trace.h"

#include <cstdarg>
#include <cstdio>

namespace rx_fwk {
namespace {
TraceHook gHook = nullptr;
}

void setTraceHook(TraceHook hook) {
    gHook = hook;
}

void trace(int level, const char* format, ...) {
    TraceHook hook = gHook;
    if (hook == nullptr) {
        return;
    }
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    hook(level, "%s", text);
}

}  // namespace rx_fwk
