// The second trace hook of the transports: plain texts without a level.
#pragma once

namespace rx_fwk {

using TextTraceHook = void (*)(const char* text);

// Discards everything unless a hook is installed (tests, debugging).
void traceText(const char* text);
void setTextTraceHook(TextTraceHook hook);

}  // namespace rx_fwk
