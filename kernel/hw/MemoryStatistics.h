// Memory figures of the machine and of the kernel heap, for crash reports.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

constexpr std::uint64_t kMemoryPageSize = 4096;

struct TovMemoryStatistics {
    std::uint64_t totalBytes;       // system memory
    std::uint64_t freePages;        // pages of kMemoryPageSize
    std::uint64_t longestFreeRun;   // pages in the longest run of free pages
    std::uint64_t heapFreeBytes;    // free bytes inside the kernel heap
    std::uint64_t heapLargestFree;  // largest free block of the kernel heap
};

BOOL TovGetMemoryStatistics(TovMemoryStatistics* statistics);
