// Modules: the running image and DLLs.
#pragma once

#include "kernel/base/Win32Types.h"

// Null names the main module.
HMODULE GetModuleHandleA(LPCSTR name);
// Full file name of the module as the controller sees it: the image is
// "C:\<executable name>" unless it lies inside C:, then its path there.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
