// Environment variables and the current directory of the controller.
#pragma once

#include "kernel/base/Win32Types.h"

// A null value removes the variable.
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
// Length copied (without terminator); the needed size with terminator when the buffer is
// too small; 0 with ERROR_ENVVAR_NOT_FOUND when absent.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// Also changes the current drive when the path names one.
BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
