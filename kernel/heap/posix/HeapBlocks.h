// The kernel heap's block operations, for the entry points that hand blocks out (LocalAlloc
// and friends, the C++ operators, the C calls). Failures notify the heap's failure handlers
// and leave ERROR_NOT_ENOUGH_MEMORY.
#pragma once

#include <cstddef>
#include <cstdint>

// A block of at least `bytes` (zero-filled when asked), aligned to `alignment` (a power of
// two; 0 for the host allocator's own). Null when the heap cannot serve it; a failure is
// reported with `failureKind`.
void* TovHeapAllocate(std::size_t bytes, std::size_t alignment, bool zero,
                      std::uint32_t failureKind);
// Resizes a block from TovHeapAllocate; null (block unchanged) when it cannot. Without
// `mayMove` only a block that needs no more room succeeds.
void* TovHeapResize(void* block, std::size_t bytes, bool mayMove, bool zero);
// The block's usable size.
std::size_t TovHeapBlockSize(void* block);
// Gives the block back; null is ignored.
void TovHeapRelease(void* block);
