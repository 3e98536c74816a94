// The running image as a module.
#pragma once

#include <string>

#include "kernel/base/Win32Types.h"

// The host loader's handle of the executable (dlopen(NULL)).
HMODULE TovImageHandle();
// Its file name as the controller sees it: its path on C: when the executable lies inside
// the drive, else "C:\" and its file name.
std::string TovImageFileName();
// Whether a name (full, or just the file name) names the image.
bool TovIsImageName(const std::string& name);
