// Out-of-memory reporting: the kernel heap tells the handler every request it cannot serve,
// and the handler logs it when the request is smaller than every one logged before, so a
// burst of failures does not flood the error log.
#pragma once

#include <cstdint>

#include "kernel/heap/HeapFailure.h"
#include "kernel/threads/Sync.h"

namespace nZUEmbCfg {

class OutOfMemoryHandler {
public:
    OutOfMemoryHandler();
    ~OutOfMemoryHandler();
    OutOfMemoryHandler(const OutOfMemoryHandler&) = delete;
    OutOfMemoryHandler& operator=(const OutOfMemoryHandler&) = delete;

    // The process-wide handler that installOutOfMemoryHandler registers.
    static OutOfMemoryHandler& instance();

    // Formats the failure's line and logs it (warning, code 13, sub-code 41) when its size is
    // below the smallest logged so far. An unknown kind is ignored. Always answers 1.
    std::uint32_t handle(const TovHeapFailure& failure);

    // The kernel's event entry: `context` is the handler object, null for instance().
    static DWORD onHeapFailure(void* context, const void* event);

    // The last line formatted (empty before the first failure).
    const char* lastMessage();

private:
    CRITICAL_SECTION lock_;  // two failures on two threads at once
    std::uint64_t smallestLogged_ = UINT64_MAX;
    char message_[64] = {};
};

// Registers the process-wide handler for the heap's failures and logs the memory in use and
// free (informational, code 0, sub-code 41).
void installOutOfMemoryHandler();

}  // namespace nZUEmbCfg
