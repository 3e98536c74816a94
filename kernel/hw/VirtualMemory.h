// Pages taken straight from the machine, outside the heap: releasing them takes no heap
// lock, so it is safe while a crashed thread holds one.
#pragma once

#include <cstddef>

#include "kernel/base/Win32Types.h"

constexpr DWORD MEM_COMMIT = 0x1000;
constexpr DWORD MEM_RESERVE = 0x2000;
constexpr DWORD MEM_RELEASE = 0x8000;
constexpr DWORD PAGE_READWRITE = 0x04;

// Only fresh committed read-write pages (address null, MEM_COMMIT or MEM_RESERVE |
// MEM_COMMIT, PAGE_READWRITE) are offered. Null with the last error on failure.
LPVOID VirtualAlloc(LPVOID address, std::size_t size, DWORD allocationType, DWORD protect);
// MEM_RELEASE with size 0 releases a whole block from VirtualAlloc.
BOOL VirtualFree(LPVOID address, std::size_t size, DWORD freeType);
