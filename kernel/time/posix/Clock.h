// Host clock helpers shared by the kernel: file times from host times.
#pragma once

#include <ctime>

#include "kernel/base/Win32Types.h"

// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kFileTimeUnixEpoch = 116444736000000000ULL;

FILETIME TovFileTimeFromTimespec(const timespec& time);

// Marks the start of the kernel's tick count (the first call wins).
void TovStartTickCount();
