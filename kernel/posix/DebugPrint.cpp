// Plain debug print: every component at the default level 5, text to standard error.
#include "kernel/DebugPrint.h"

#include <cstdarg>
#include <cstdio>

void TovDebugPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

int TovMessageLevel(const char*) {
    return 5;
}
