// The boost wraps the four local-memory entry points; the C++ operators and the C
// allocation calls reach the heap through them, so every heap call is covered.
//
// The bookkeeping is one atomic count of the threads inside the heap and the calling
// thread's own mark and priority, all of which change without a lock. Disabling interrupts
// instead would take the kernel's interrupt lock on every allocation, and a thread that
// allocates while holding a kernel lock could then wait for a thread that holds the interrupt
// lock and waits for that kernel lock.
#include "app/startup/MemoryManagerBoost.h"

#include <atomic>
#include <cctype>
#include <cstdint>

#include "kernel/base/LastError.h"
#include "kernel/heap/LocalMemory.h"
#include "kernel/profile/Profile.h"
#include "kernel/threads/Scheduler.h"
#include "kernel/threads/Tls.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

constexpr int kHighLevel = 24;  // threads at this level or above are not raised

// The thread's mark in the boost's thread-local index.
constexpr std::uintptr_t kNotBoosted = 0;
constexpr std::uintptr_t kBoosted = 1;
constexpr std::uintptr_t kAlreadyHigh = 2;

DWORD gMarkIndex = TLS_OUT_OF_INDEXES;
std::atomic<int> gInsideHeap{0};
const TovLocalMemoryEntryPoints* gHeap = nullptr;  // the entry points the boost wraps

// A heap call made while the thread is already inside one (the priority step may allocate
// the thread's kernel record) is passed straight through.
thread_local int tDepth = 0;
thread_local DWORD tSliceBefore = 0;

class HeapVisit {
public:
    HeapVisit() : outer_(tDepth++ == 0) {
        if (!outer_) {
            return;
        }
        std::uintptr_t mark = kNotBoosted;
        if (gInsideHeap.fetch_add(1) > 0) {
            if (TovCurrentThreadPriorityLevel() < kHighLevel) {
                TovStepCurrentThreadPriority(1);
                tSliceBefore = TovTimeSliceCounter();
                mark = kBoosted;
            } else {
                mark = kAlreadyHigh;
            }
        }
        setMark(mark);
    }

    ~HeapVisit() {
        --tDepth;
        if (!outer_) {
            return;
        }
        const DWORD error = GetLastError();  // the heap call's, kept for the caller
        gInsideHeap.fetch_sub(1);
        const std::uintptr_t mark = reinterpret_cast<std::uintptr_t>(TlsGetValue(gMarkIndex));
        setMark(kNotBoosted);
        if (mark == kBoosted) {
            TovStepCurrentThreadPriority(-1);
            if (TovTimeSliceCounter() < tSliceBefore) {
                Sleep(0);  // the slice ran out while boosted: give the rest back now
            }
        }
        SetLastError(error);
    }

    HeapVisit(const HeapVisit&) = delete;
    HeapVisit& operator=(const HeapVisit&) = delete;

private:
    static void setMark(std::uintptr_t mark) {
        TlsSetValue(gMarkIndex, reinterpret_cast<LPVOID>(mark));
    }

    bool outer_;
};

HLOCAL boostedAlloc(UINT flags, SIZE_T bytes) {
    HeapVisit visit;
    return gHeap->alloc(flags, bytes);
}

SIZE_T boostedSize(HLOCAL memory) {
    HeapVisit visit;
    return gHeap->size(memory);
}

HLOCAL boostedReAlloc(HLOCAL memory, SIZE_T bytes, UINT flags) {
    HeapVisit visit;
    return gHeap->reAlloc(memory, bytes, flags);
}

HLOCAL boostedFree(HLOCAL memory) {
    HeapVisit visit;
    return gHeap->free(memory);
}

const TovLocalMemoryEntryPoints kBoostedEntryPoints{boostedAlloc, boostedSize, boostedReAlloc,
                                                    boostedFree};

}  // namespace

std::string readBoostMemoryManagerSetting() {
    char value[6] = {};
    GetPrivateProfileStringA("SystemSettings", "BoostMemoryManager", "False", value, sizeof value,
                             "C:\\zu-rt.ini");
    return value;
}

bool boostMemoryManagerEnabledBy(const std::string& setting) {
    static const char kTrue[] = "true";
    if (setting.size() != sizeof kTrue - 1) {
        return false;
    }
    for (std::size_t i = 0; i < setting.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(setting[i])) != kTrue[i]) {
            return false;
        }
    }
    return true;
}

bool setUpMemoryManagerBoost() {
    if (gHeap != nullptr) {
        return true;
    }
    if (!boostMemoryManagerEnabledBy(readBoostMemoryManagerSetting())) {
        return false;
    }
    gMarkIndex = TlsAlloc();
    if (gMarkIndex == TLS_OUT_OF_INDEXES) {
        return false;
    }
    gHeap = TovGetLocalMemoryEntryPoints();
    TovSetLocalMemoryEntryPoints(&kBoostedEntryPoints);
    return true;
}

}  // namespace rx_fwk
