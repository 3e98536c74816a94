#include "app/startup/DllRelease.h"

#include <new>
#include <vector>

#include "kernel/module/Module.h"
#include "kernel/threads/Tls.h"

namespace rx_fwk {
namespace {

using ReleaseQueue = std::vector<HMODULE>;

// The calling thread's queue while a release runs on it, in a thread-local index.
DWORD queueIndex() {
    static const DWORD index = TlsAlloc();
    return index;
}

// Marks the thread as releasing for the life of the object.
class RunningRelease {
public:
    RunningRelease(DWORD index, ReleaseQueue& queue) : index_(index) {
        TlsSetValue(index_, &queue);
    }
    ~RunningRelease() { TlsSetValue(index_, nullptr); }
    RunningRelease(const RunningRelease&) = delete;
    RunningRelease& operator=(const RunningRelease&) = delete;

private:
    DWORD index_;
};

}  // namespace

void prepareDllReleaseQueue() {
    queueIndex();
}

bool releaseDll(HMODULE module) {
    const DWORD index = queueIndex();
    if (index == TLS_OUT_OF_INDEXES) {
        return FreeLibrary(module) != FALSE;  // no queue: nothing to hold a nested release
    }
    if (auto* running = static_cast<ReleaseQueue*>(TlsGetValue(index))) {
        try {
            running->push_back(module);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    ReleaseQueue queue;
    RunningRelease running(index, queue);
    bool released = FreeLibrary(module) != FALSE;
    // Releases below may queue more behind the end.
    for (std::size_t next = 0; released && next < queue.size(); ++next) {
        released = FreeLibrary(queue[next]) != FALSE;
    }
    return released;
}

}  // namespace rx_fwk
