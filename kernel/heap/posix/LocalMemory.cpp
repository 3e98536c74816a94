// LocalAlloc and friends: the heap's entry points and the table that callers go through.
#include "kernel/heap/LocalMemory.h"

#include <atomic>

#include "kernel/base/LastError.h"
#include "kernel/heap/HeapFailure.h"
#include "kernel/heap/posix/HeapBlocks.h"

namespace {

HLOCAL heapAlloc(UINT flags, SIZE_T bytes) {
    // Moveable memory would need LocalLock; this kernel's memory is fixed.
    if ((flags & ~LMEM_ZEROINIT) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return TovHeapAllocate(bytes, 0, (flags & LMEM_ZEROINIT) != 0, TOV_HEAP_ALLOCATION_FAILED);
}

SIZE_T heapSize(HLOCAL memory) {
    if (memory == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return TovHeapBlockSize(memory);
}

HLOCAL heapReAlloc(HLOCAL memory, SIZE_T bytes, UINT flags) {
    if (memory == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((flags & ~(LMEM_MOVEABLE | LMEM_ZEROINIT)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return TovHeapResize(memory, bytes, (flags & LMEM_MOVEABLE) != 0, (flags & LMEM_ZEROINIT) != 0);
}

HLOCAL heapFree(HLOCAL memory) {
    TovHeapRelease(memory);
    return nullptr;
}

constexpr TovLocalMemoryEntryPoints kHeapEntryPoints{heapAlloc, heapSize, heapReAlloc, heapFree};

// Constant-initialised: allocations during static construction already go through it.
std::atomic<const TovLocalMemoryEntryPoints*> gEntryPoints{&kHeapEntryPoints};

const TovLocalMemoryEntryPoints& current() {
    return *gEntryPoints.load(std::memory_order_acquire);
}

}  // namespace

const TovLocalMemoryEntryPoints* TovHeapEntryPoints() {
    return &kHeapEntryPoints;
}

const TovLocalMemoryEntryPoints* TovGetLocalMemoryEntryPoints() {
    return &current();
}

BOOL TovSetLocalMemoryEntryPoints(const TovLocalMemoryEntryPoints* table) {
    if (table == nullptr || table->alloc == nullptr || table->size == nullptr ||
        table->reAlloc == nullptr || table->free == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    gEntryPoints.store(table, std::memory_order_release);
    return TRUE;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    return current().alloc(flags, bytes);
}

SIZE_T LocalSize(HLOCAL memory) {
    return current().size(memory);
}

HLOCAL LocalReAlloc(HLOCAL memory, SIZE_T bytes, UINT flags) {
    return current().reAlloc(memory, bytes, flags);
}

HLOCAL LocalFree(HLOCAL memory) {
    return current().free(memory);
}
