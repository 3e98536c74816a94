// The flush thread's loop, start and stop.
#include "diag/FlushThreadControl.h"

#include <cstdio>

#include "diag/SectorCache.h"
#include "kernel/base/Handle.h"
#include "kernel/threads/Thread.h"

namespace nZUEmbCfg {
namespace {
constexpr std::size_t kStackSize = 8 * 1024;
constexpr DWORD kStopWaitMs = 5000;
}  // namespace

int FlushThreadControl::start() {
    if (thread_ != nullptr) {
        return 0;
    }
    stopping_ = false;
    // Sectors written while no thread ran are due one interval from now.
    pending_ = owner_.dirtyCount() > 0;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) {
        return kNoThread;
    }
    event_ = event;
    thread_ = CreateThread(nullptr, kStackSize, &FlushThreadControl::run, this, CREATE_SUSPENDED,
                           nullptr);
    if (thread_ == nullptr) {
        event_ = nullptr;
        CloseHandle(event);
        return kNoThread;
    }
    TovSetThreadName(thread_, "Disk Cache Flush Thread");
    SetThreadPriority(thread_, priority_);
    ResumeThread(thread_);
    return 0;
}

bool FlushThreadControl::stop() {
    if (thread_ == nullptr) {
        return true;
    }
    stopping_ = true;
    HANDLE event = event_.exchange(nullptr);
    SetEvent(event);
    const bool ended = WaitForSingleObject(thread_, kStopWaitMs) == WAIT_OBJECT_0;
    if (!ended) {
        std::printf("ERROR:  disk cache flush thread failed to shut down\n");
    }
    CloseHandle(thread_);
    CloseHandle(event);
    thread_ = nullptr;
    return ended;
}

void FlushThreadControl::wake() {
    pending_ = true;
    if (HANDLE event = event_.load()) {
        SetEvent(event);
    }
}

void FlushThreadControl::settle() {
    pending_ = false;
    if (HANDLE event = event_.load()) {
        SetEvent(event);
    }
}

void FlushThreadControl::setPriority(int priority) {
    priority_ = priority;
    if (thread_ != nullptr) {
        SetThreadPriority(thread_, priority);
    }
}

DWORD FlushThreadControl::run(LPVOID self) {
    static_cast<FlushThreadControl*>(self)->loop();
    return 0;
}

void FlushThreadControl::loop() {
    HANDLE event = event_.load();
    bool pending = pending_;
    while (!stopping_) {
        const DWORD waited = WaitForSingleObject(event, pending ? intervalMs_.load() : INFINITE);
        if (waited == WAIT_TIMEOUT) {
            EnterCriticalSection(lock_);
            // A stop may have come while this thread waited for the lock; the cache may be
            // gone by then.
            if (!stopping_) {
                owner_.flushAll(false);
                ++flushCount_;
            }
            pending = false;
            LeaveCriticalSection(lock_);
        } else if (waited == WAIT_OBJECT_0) {
            pending = pending_;
        } else {
            break;  // the event is gone
        }
    }
}

}  // namespace nZUEmbCfg
