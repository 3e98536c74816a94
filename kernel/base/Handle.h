// Kernel object handles: threads, events, mutexes, files, find searches, modules.
#pragma once

#include "kernel/base/Win32Types.h"

// Releases one reference; the object goes when its last handle is closed.
BOOL CloseHandle(HANDLE handle);

constexpr DWORD DUPLICATE_CLOSE_SOURCE = 0x1;
constexpr DWORD DUPLICATE_SAME_ACCESS = 0x2;

// A second handle to the same object (same process only).
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                     DWORD access, BOOL inherit, DWORD options);

HANDLE GetCurrentProcess();
