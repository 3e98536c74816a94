// A DLL file made ready for the host's dynamic loader.
#pragma once

#include <string>

#include "kernel/base/Win32Types.h"
#include "kernel/fs/Drive.h"

// A descriptor of the file's bytes that the host loader can open as "/proc/self/fd/N": a
// host file's own descriptor (duplicated), else a sealed in-memory copy named `name`. The
// caller owns it. -1 with the last error on failure.
int TovDllDescriptor(TovDriveFile& file, const std::string& name);

// 0 when the descriptor holds a shared object for this machine, ERROR_BAD_EXE_FORMAT when
// it does not, ERROR_ACCESS_DENIED when it would make the host loader open files it names
// itself (a library by path, a search path, an audit library).
DWORD TovCheckSharedObject(int descriptor);

// The Win32 error for the host loader's complaint about a file that was there.
DWORD TovDlopenError(const char* message);
