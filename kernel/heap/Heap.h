// The kernel's heap: every allocation of the image (the C++ allocation operators, the C
// allocation calls, LocalAlloc) lands here. It counts what its blocks hold, may be given a
// limit, and tells registered handlers when it cannot serve a request.
#pragma once

#include <cstdint>

// The most the heap's blocks may hold together, in bytes; 0 (the default) for no limit.
// A request that would take the heap past it fails as if the machine had no more memory.
void TovSetHeapLimit(std::uint64_t bytes);
std::uint64_t TovHeapLimit();

// Bytes the heap's blocks hold now (each block counted at its real size).
std::uint64_t TovHeapInUse();
