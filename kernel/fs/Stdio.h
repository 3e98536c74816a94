// C stdio streams on drive paths, through the kernel's file handles.
#pragma once

#include <cstdio>

#include "kernel/base/Win32Types.h"

// fopen on a Win32 path. Modes as in C; without "b" the stream is in the controller's text
// mode: "\n" is written as CR LF and CR LF reads as "\n". Null with the last error set on
// failure.
std::FILE* TovFopen(LPCSTR path, LPCSTR mode);

// Points the process's standard output at a file on a drive (text mode); a null path
// restores the console.
BOOL TovRedirectStdout(LPCSTR path, LPCSTR mode);
