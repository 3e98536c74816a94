// Thread-local storage: indexes shared by the process, a value per thread and index.
#pragma once

#include "kernel/base/Win32Types.h"

constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFF;
// Indexes the kernel offers.
constexpr DWORD TLS_MINIMUM_AVAILABLE = 64;

// A free index whose value is null in every thread; TLS_OUT_OF_INDEXES with
// ERROR_NO_MORE_ITEMS when all are taken.
DWORD TlsAlloc();
// The calling thread's value; the last error is ERROR_SUCCESS then, so that a null value
// tells itself apart from a failure (ERROR_INVALID_PARAMETER for an index not allocated).
LPVOID TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, LPVOID value);
// The index becomes free; what threads stored under it is forgotten, not released.
BOOL TlsFree(DWORD index);
