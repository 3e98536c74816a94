// The diagnostics' debug trace: texts meant for a developer. Nothing is printed unless a hook
// is installed (tests, debugging).
#pragma once

namespace nZUEmbCfg {

using DebugTraceHook = void (*)(const char* text);

void debugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Null removes the hook.
void setDebugTraceHook(DebugTraceHook hook);

}  // namespace nZUEmbCfg
