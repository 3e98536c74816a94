// The console stream: standard output of the process, with the cursor position tracked.
#pragma once

#include <cstdio>

// Replaces `stdout` by the console stream (once; later calls do nothing).
void TovInstallConsole();

// The console stream (the process's original standard output before the kernel started).
std::FILE* TovConsoleStream();
