// Levelled trace points of the command server and its transports.
#pragma once

namespace rx_fwk {

using TraceHook = void (*)(int level, const char* format, ...);

// Discards everything unless a hook is installed (tests, debugging).
void trace(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void setTraceHook(TraceHook hook);

}  // namespace rx_fwk
