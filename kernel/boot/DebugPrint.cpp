// The kernel's debug print: every kernel component's trace lines go through here.
#include "kernel/boot/DebugPrint.h"

#include <cstdarg>

#include "kernel/boot/DebugOutput.h"

void TovDebugPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    DebugOutput::instance().print(format, args);
    va_end(args);
}
