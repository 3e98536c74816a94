#include "cmdserver/TextTrace.h"

#include <atomic>

namespace rx_fwk {
namespace {
std::atomic<TextTraceHook> gHook{nullptr};
}

void setTextTraceHook(TextTraceHook hook) { gHook = hook; }

void traceText(const char* text) {
    if (TextTraceHook hook = gHook.load()) {
        hook(text);
    }
}

}  // namespace rx_fwk
