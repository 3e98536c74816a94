#include "kernel/heap/Heap.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/heap/HeapFailure.h"
#include "kernel/heap/LocalMemory.h"
#include "tests/support/ScopedHeapLimit.h"

namespace {

using Events = std::vector<std::pair<std::uint64_t, std::uint32_t>>;  // size, kind

// Records the heap's failure events while it is registered.
class Recorder {
public:
    Recorder() {
        events_.reserve(64);  // no allocation while the limit refuses
        TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &Recorder::record, this, TOV_EVENT_ADD);
    }
    ~Recorder() {
        TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &Recorder::record, this, TOV_EVENT_REMOVE);
    }
    Events take() { return std::exchange(events_, Events{}); }

private:
    static DWORD record(void* context, const void* event) {
        const auto* failure = static_cast<const TovHeapFailure*>(event);
        static_cast<Recorder*>(context)->events_.emplace_back(failure->size, failure->kind);
        return 1;
    }
    Events events_;
};

// What each way into the heap reports when the limit refuses it: first the growth the heap
// could not make (whole pages for the block and its header), then the request itself.
TEST(Heap, EveryWayInReportsWhatTheLimitRefuses) {
    void* volatile kept = std::malloc(100);  // read again after the failed reallocation
    ASSERT_NE(kept, nullptr);
    Recorder recorder;
    Events events;
    void* results[6];
    int mallocErrno = 0;
    DWORD localError = 0;
    bool newThrew = false;
    {
        lbtest::ScopedHeapLimit limit(1);
        SetLastError(0);
        results[0] = LocalAlloc(LMEM_FIXED, 4096);
        localError = GetLastError();
        errno = 0;
        results[1] = std::malloc(8000);
        mallocErrno = errno;
        results[2] = std::realloc(kept, 5000);
        results[3] = ::operator new(100, std::nothrow);
        results[4] = std::calloc(10, 10);
        try {
            results[5] = ::operator new(200);
        } catch (const std::bad_alloc&) {
            results[5] = nullptr;
            newThrew = true;
        }
        events = recorder.take();
    }
    for (void* result : results) {
        EXPECT_EQ(result, nullptr);
    }
    EXPECT_EQ(localError, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(mallocErrno, ENOMEM);
    EXPECT_TRUE(newThrew);
    EXPECT_EQ(events, (Events{{8192, 0},
                              {4096, 1},
                              {8192, 0},
                              {8000, 1},
                              {8192, 0},
                              {5000, 2},
                              {4096, 0},
                              {100, 1},
                              {4096, 0},
                              {100, 1},
                              {4096, 0},
                              {200, 1}}));
    std::memset(kept, 'k', 100);  // the failed reallocation left the block alone
    std::free(kept);
}

TEST(Heap, CountsItsBlocksAndServesUpToTheLimit) {
    const std::uint64_t before = TovHeapInUse();
    void* block = LocalAlloc(LPTR, 1000);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(LocalSize(block), 1000u);
    EXPECT_GE(TovHeapInUse(), before + 1000);
    EXPECT_EQ(static_cast<unsigned char*>(block)[999], 0);

    // Without LMEM_MOVEABLE a block only grows where it stands, which is never promised.
    SetLastError(0);
    EXPECT_EQ(LocalReAlloc(block, 100000, LMEM_FIXED), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(LocalReAlloc(block, 10, LMEM_FIXED), block);
    block = LocalReAlloc(block, 100000, LMEM_MOVEABLE | LMEM_ZEROINIT);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(block)[99999], 0);
    EXPECT_EQ(LocalFree(block), nullptr);

    {
        // Room for one more request of 64 KiB, not for two.
        lbtest::ScopedHeapLimit limit(TovHeapInUse() + 100000);
        void* first = LocalAlloc(LMEM_FIXED, 65536);
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(LocalAlloc(LMEM_FIXED, 65536), nullptr);
        LocalFree(first);
        first = LocalAlloc(LMEM_FIXED, 65536);
        EXPECT_NE(first, nullptr);
        LocalFree(first);
    }

    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, 10), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Heap, EventRegistrationRefusesWhatItCannotKeep) {
    const auto handler = [](void*, const void*) -> DWORD { return 1; };
    const struct {
        DWORD code;
        TovEventHandler handler;
        DWORD flag;
        DWORD error;
    } rows[] = {
        {0x8012, handler, TOV_EVENT_ADD, ERROR_INVALID_PARAMETER},
        {TOV_EVENT_HEAP_FAILURE, nullptr, TOV_EVENT_ADD, ERROR_INVALID_PARAMETER},
        {TOV_EVENT_HEAP_FAILURE, handler, 7, ERROR_INVALID_PARAMETER},
        {TOV_EVENT_HEAP_FAILURE, handler, TOV_EVENT_REMOVE, ERROR_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        EXPECT_FALSE(TovRegisterEventHandler(row.code, row.handler, nullptr, row.flag));
        EXPECT_EQ(GetLastError(), row.error);
    }
}

TEST(Heap, WrappedEntryPointsServeEveryCaller) {
    static int calls = 0;
    static const TovLocalMemoryEntryPoints* heap = TovHeapEntryPoints();
    static const TovLocalMemoryEntryPoints counting{[](UINT flags, SIZE_T bytes) {
                                                        ++calls;
                                                        return heap->alloc(flags, bytes);
                                                    },
                                                    heap->size, heap->reAlloc, heap->free};
    static void* volatile sink[2];
    ASSERT_TRUE(TovSetLocalMemoryEntryPoints(&counting));
    sink[0] = new int(5);
    sink[1] = std::malloc(10);
    ASSERT_TRUE(TovSetLocalMemoryEntryPoints(TovHeapEntryPoints()));
    EXPECT_EQ(calls, 2);
    std::free(sink[1]);
    delete static_cast<int*>(sink[0]);
    EXPECT_FALSE(TovSetLocalMemoryEntryPoints(nullptr));
}

}  // namespace
