// Thread-local storage. Every allocation of an index starts a new generation of it; a
// thread's value counts only when it was stored in the index's current generation, so a
// fresh index reads null in every thread without visiting them.
#include "kernel/threads/Tls.h"

#include <atomic>
#include <cstdint>
#include <mutex>

#include "kernel/base/LastError.h"

namespace {

struct Index {
    std::atomic<bool> allocated{false};
    std::atomic<std::uint64_t> generation{0};
};

Index gIndexes[TLS_MINIMUM_AVAILABLE];
std::mutex gAllocation;

struct Value {
    std::uint64_t generation;
    LPVOID value;
};

thread_local Value tValues[TLS_MINIMUM_AVAILABLE];

bool allocated(DWORD index) {
    return index < TLS_MINIMUM_AVAILABLE && gIndexes[index].allocated.load();
}

}  // namespace

DWORD TlsAlloc() {
    std::lock_guard<std::mutex> guard(gAllocation);
    for (DWORD index = 0; index < TLS_MINIMUM_AVAILABLE; ++index) {
        if (!gIndexes[index].allocated.load()) {
            gIndexes[index].generation.fetch_add(1);
            gIndexes[index].allocated.store(true);
            return index;
        }
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return TLS_OUT_OF_INDEXES;
}

LPVOID TlsGetValue(DWORD index) {
    if (!allocated(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    const Value& slot = tValues[index];
    return slot.generation == gIndexes[index].generation.load() ? slot.value : nullptr;
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
    if (!allocated(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tValues[index] = Value{gIndexes[index].generation.load(), value};
    return TRUE;
}

BOOL TlsFree(DWORD index) {
    std::lock_guard<std::mutex> guard(gAllocation);
    if (!allocated(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    gIndexes[index].generation.fetch_add(1);
    gIndexes[index].allocated.store(false);
    return TRUE;
}
