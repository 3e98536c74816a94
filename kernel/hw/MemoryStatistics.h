// Memory figures of the machine and of the kernel heap. The machine's memory is the kernel
// heap's limit when one is set (--heap-limit), else the host's, or its control group's limit
// where that is lower.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

constexpr std::uint64_t kMemoryPageSize = 4096;

struct TovMemoryStatistics {
    std::uint64_t totalBytes;       // system memory
    std::uint64_t freeBytes;        // of it free: the limit less what the heap holds, else
                                    // what the host (or its control group) has available
    std::uint64_t freePages;        // freeBytes in whole pages of kMemoryPageSize
    std::uint64_t longestFreeRun;   // pages in the longest run of free pages
    std::uint64_t heapFreeBytes;    // free bytes inside the kernel heap
    std::uint64_t heapLargestFree;  // largest free block of the kernel heap
};

BOOL TovGetMemoryStatistics(TovMemoryStatistics* statistics);
