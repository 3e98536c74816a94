// The kernel heap over the host allocator. The host allocator does the work; the heap counts
// its blocks at their real sizes (malloc_usable_size), applies the limit and reports what it
// cannot serve. A request is checked against the limit before the host is asked, with the
// bytes asked for reserved at once, so two threads never pass the limit together.
#include <errno.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "kernel/base/LastError.h"
#include "kernel/heap/Heap.h"
#include "kernel/heap/HeapFailure.h"
#include "kernel/heap/posix/HeapBlocks.h"

// The host allocator itself: the program is linked with the C allocation calls wrapped
// (HostAllocation.cpp), so the heap names the real ones.
extern "C" {
void* __real_malloc(std::size_t bytes);
void* __real_calloc(std::size_t count, std::size_t bytes);
void* __real_realloc(void* block, std::size_t bytes);
void __real_free(void* block);
int __real_posix_memalign(void** block, std::size_t alignment, std::size_t bytes);
}

namespace {

// The heap grows from the machine by whole pages, enough for a block and its header.
constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kBlockHeader = 16;
constexpr std::size_t kMaxHandlers = 8;

std::atomic<std::uint64_t> gLimit{0};
// Signed: a block that the C library allocated and a caller frees through the heap is taken
// off without ever having been counted. Reports never go below zero.
std::atomic<std::int64_t> gInUse{0};

struct Handler {
    TovEventHandler handler;
    void* context;
};
std::mutex gHandlersLock;
Handler gHandlers[kMaxHandlers];
std::size_t gHandlerCount = 0;

// Set while the thread's own failure is being reported: the handler must be able to report
// (it formats and logs), so its requests pass the limit and a failure of its own is not
// reported again.
thread_local bool tReporting = false;

std::int64_t asSigned(std::uint64_t bytes) {
    return bytes > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                         : static_cast<std::int64_t>(bytes);
}

// Takes `bytes` out of what the limit leaves, or fails; always succeeds without a limit.
bool reserve(std::uint64_t bytes) {
    const std::uint64_t limit = gLimit.load(std::memory_order_relaxed);
    if (limit == 0 || tReporting) {
        gInUse.fetch_add(asSigned(bytes), std::memory_order_relaxed);
        return true;
    }
    std::int64_t used = gInUse.load(std::memory_order_relaxed);
    do {
        const std::uint64_t counted = used < 0 ? 0 : static_cast<std::uint64_t>(used);
        if (bytes > limit || counted > limit - bytes) {
            return false;
        }
    } while (
        !gInUse.compare_exchange_weak(used, used + asSigned(bytes), std::memory_order_relaxed));
    return true;
}

void adjust(std::int64_t bytes) {
    gInUse.fetch_add(bytes, std::memory_order_relaxed);
}

std::uint64_t growthFor(std::uint64_t bytes) {
    if (bytes > UINT64_MAX - kBlockHeader - kPage) {
        return bytes;
    }
    return (bytes + kBlockHeader + kPage - 1) / kPage * kPage;
}

void notify(const TovHeapFailure& failure) {
    Handler handlers[kMaxHandlers];
    std::size_t count;
    {
        std::lock_guard<std::mutex> guard(gHandlersLock);
        count = gHandlerCount;
        std::copy(gHandlers, gHandlers + count, handlers);
    }
    for (std::size_t i = 0; i < count; ++i) {
        try {
            handlers[i].handler(handlers[i].context, &failure);
        } catch (...) {
            // A handler that throws must not unwind through the allocator.
        }
    }
}

// The heap could not grow for the request, then the request itself failed.
void reportFailure(std::uint64_t bytes, std::uint32_t kind) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    if (tReporting) {
        return;
    }
    const int savedErrno = errno;
    tReporting = true;
    notify(TovHeapFailure{growthFor(bytes), TOV_HEAP_CANNOT_GROW});
    notify(TovHeapFailure{bytes, kind});
    tReporting = false;
    errno = savedErrno;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
}

void* hostAllocate(std::size_t bytes, std::size_t alignment, bool zero) {
    if (alignment == 0) {
        return zero ? __real_calloc(1, bytes) : __real_malloc(bytes);
    }
    void* block = nullptr;
    if (__real_posix_memalign(&block, alignment, bytes) != 0) {
        return nullptr;
    }
    if (zero) {
        ::memset(block, 0, bytes);
    }
    return block;
}

}  // namespace

void TovSetHeapLimit(std::uint64_t bytes) {
    gLimit.store(bytes, std::memory_order_relaxed);
}

std::uint64_t TovHeapLimit() {
    return gLimit.load(std::memory_order_relaxed);
}

std::uint64_t TovHeapInUse() {
    const std::int64_t used = gInUse.load(std::memory_order_relaxed);
    return used < 0 ? 0 : static_cast<std::uint64_t>(used);
}

void* TovHeapAllocate(std::size_t bytes, std::size_t alignment, bool zero,
                      std::uint32_t failureKind) {
    if (!reserve(bytes)) {
        reportFailure(bytes, failureKind);
        return nullptr;
    }
    void* block = hostAllocate(bytes, alignment, zero);
    if (block == nullptr) {
        adjust(-asSigned(bytes));
        reportFailure(bytes, failureKind);
        return nullptr;
    }
    adjust(asSigned(::malloc_usable_size(block)) - asSigned(bytes));
    return block;
}

void* TovHeapResize(void* block, std::size_t bytes, bool mayMove, bool zero) {
    const std::size_t before = ::malloc_usable_size(block);
    if (bytes <= before) {
        if (!mayMove || bytes >= before / 2) {
            return block;  // keeps its room
        }
        // Much smaller: the host gives the rest back (a shrink never fails).
        void* shrunk = __real_realloc(block, bytes == 0 ? 1 : bytes);
        if (shrunk == nullptr) {
            return block;
        }
        adjust(asSigned(::malloc_usable_size(shrunk)) - asSigned(before));
        return shrunk;
    }
    if (!mayMove) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const std::size_t growth = bytes - before;
    if (!reserve(growth)) {
        reportFailure(bytes, TOV_HEAP_REALLOCATION_FAILED);
        return nullptr;
    }
    void* moved = __real_realloc(block, bytes);
    if (moved == nullptr) {
        adjust(-asSigned(growth));
        reportFailure(bytes, TOV_HEAP_REALLOCATION_FAILED);
        return nullptr;
    }
    const std::size_t after = ::malloc_usable_size(moved);
    adjust(asSigned(after) - asSigned(before) - asSigned(growth));
    if (zero) {
        ::memset(static_cast<char*>(moved) + before, 0, after - before);
    }
    return moved;
}

std::size_t TovHeapBlockSize(void* block) {
    return block == nullptr ? 0 : ::malloc_usable_size(block);
}

void TovHeapRelease(void* block) {
    if (block == nullptr) {
        return;
    }
    const std::size_t size = ::malloc_usable_size(block);
    __real_free(block);
    adjust(-asSigned(size));
}

BOOL TovRegisterEventHandler(DWORD code, TovEventHandler handler, void* context, DWORD flag) {
    if (code != TOV_EVENT_HEAP_FAILURE || handler == nullptr ||
        (flag != TOV_EVENT_ADD && flag != TOV_EVENT_REMOVE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(gHandlersLock);
    if (flag == TOV_EVENT_ADD) {
        if (gHandlerCount == kMaxHandlers) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        gHandlers[gHandlerCount++] = Handler{handler, context};
        return TRUE;
    }
    for (std::size_t i = 0; i < gHandlerCount; ++i) {
        if (gHandlers[i].handler == handler && gHandlers[i].context == context) {
            std::copy(gHandlers + i + 1, gHandlers + gHandlerCount, gHandlers + i);
            --gHandlerCount;
            return TRUE;
        }
    }
    SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}
