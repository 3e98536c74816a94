// Modules: the running image and the DLLs loaded into it.
#pragma once

#include "kernel/base/Win32Types.h"

// Loads a DLL, or counts one more use of a loaded one, and answers its handle. A name
// without an extension gets ".dll" (a trailing "." means none). A name with a drive or a
// directory is that file; a bare name is looked for in the current directory, then in each
// directory of the environment variable PATH (";"-separated), and a module of that file
// name already loaded is used wherever it came from. Null on failure, with the last error:
// ERROR_MOD_NOT_FOUND when no such file can be opened or a library it needs is missing,
// ERROR_BAD_EXE_FORMAT when the file is not a shared object for this machine,
// ERROR_PROC_NOT_FOUND when a function it imports is missing.
HMODULE LoadLibraryA(LPCSTR name);
// One use less; the module is unloaded after its last one. The image's handle is never
// unloaded.
BOOL FreeLibrary(HMODULE module);
// A function or variable the module itself exports (not one of the libraries it uses); by
// name only. Null with ERROR_PROC_NOT_FOUND, or ERROR_MOD_NOT_FOUND for an unknown handle.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// Null names the image. A name with a directory matches a loaded module's full file name,
// a bare one its file name (".dll" added as for LoadLibraryA). Counts no use.
HMODULE GetModuleHandleA(LPCSTR name);
// Full file name of the module as the controller sees it: the image is
// "C:\<executable name>" unless it lies inside C:, then its path there; a DLL is the full
// path it was loaded from.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
