// Machine figures from sysinfo, heap figures from the C library's allocator. Host memory
// is not fragmented as the controller's page pool is, so the longest free run is every
// free page.
#include "kernel/hw/MemoryStatistics.h"

#include <errno.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/sysinfo.h>
#include <time.h>

#include "kernel/base/LastError.h"

namespace {

struct HeapQuery {
    sem_t done;
    struct mallinfo2 figures;
};

void* queryHeap(void* parameter) {
    auto* query = static_cast<HeapQuery*>(parameter);
    query->figures = ::mallinfo2();
    ::sem_post(&query->done);
    return nullptr;
}

// The allocator locks every arena to count; a thread that crashed inside the allocator
// holds one for good. The figures are then left at zero rather than hanging the report.
void readHeap(TovMemoryStatistics& statistics) {
    auto* query = new HeapQuery{};
    ::sem_init(&query->done, 0, 0);
    pthread_t thread;
    if (::pthread_create(&thread, nullptr, queryHeap, query) != 0) {
        ::sem_destroy(&query->done);
        delete query;
        return;
    }
    timespec deadline;
    ::clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_nsec += 500 * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    int waited;
    while ((waited = ::sem_timedwait(&query->done, &deadline)) != 0 && errno == EINTR) {
    }
    if (waited != 0) {
        // Still blocked: it owns the query now, and the machine restarts after the report.
        ::pthread_detach(thread);
        return;
    }
    ::pthread_join(thread, nullptr);
    statistics.heapFreeBytes = query->figures.fordblks;
    // The top chunk is the one block that is free in one piece for certain.
    statistics.heapLargestFree = query->figures.keepcost;
    ::sem_destroy(&query->done);
    delete query;
}

}  // namespace

BOOL TovGetMemoryStatistics(TovMemoryStatistics* statistics) {
    if (statistics == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *statistics = TovMemoryStatistics{};
    struct sysinfo machine;
    if (::sysinfo(&machine) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const std::uint64_t unit = machine.mem_unit != 0 ? machine.mem_unit : 1;
    statistics->totalBytes = static_cast<std::uint64_t>(machine.totalram) * unit;
    statistics->freePages = static_cast<std::uint64_t>(machine.freeram) * unit / kMemoryPageSize;
    statistics->longestFreeRun = statistics->freePages;
    readHeap(*statistics);
    return TRUE;
}
