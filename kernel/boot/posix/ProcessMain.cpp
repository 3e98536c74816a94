// The process entry point of the image: the kernel's command line, the kernel, then the
// application's main routine.
#include <unistd.h>

#include <cstdio>

#include "kernel/boot/Kernel.h"

int main(int argc, char** argv) {
    TovKernelOptions options;
    int exitCode = 0;
    if (!TovParseCommandLine(argc, argv, options, exitCode)) {
        return exitCode;
    }
    if (!TovKernelStart(options)) {
        return 1;
    }
    int result = TovRunMainRoutine();
    // Application threads may still run: end without tearing down static objects under them.
    std::fflush(nullptr);
    _exit(result);
}
