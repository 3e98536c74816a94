// The kernel's record of one thread: started by the kernel or met on first use.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>

#include "kernel/threads/Thread.h"
#include "kernel/threads/posix/Waitable.h"

class TovThreadRecord : public TovWaitable {
public:
    TovThreadRecord() : TovWaitable(TovObjectType::Thread) {}

    bool signalled(const TovThreadRecord&) const override { return ended_; }

    // The host's thread id; set by the thread itself before anyone else sees the record.
    DWORD id() const { return id_; }
    void setId(DWORD id) { id_ = id; }

    // Everything below is guarded by the wait lock.
    pthread_t host{};
    bool hostKnown = false;  // `host` is valid (the thread exists on the host)
    bool ended_ = false;     // signalled: the thread has ended
    DWORD exitCode = STILL_ACTIVE;
    DWORD suspendCount = 0;
    std::condition_variable resumed;  // the thread waits here while suspended
    // Not under the wait lock: the thread steps its own priority from inside the heap.
    std::atomic<int> priority{THREAD_PRIORITY_NORMAL};
    char name[kThreadNameMax + 1] = {};
    std::function<DWORD()> body;  // what a kernel-started thread runs

private:
    DWORD id_ = 0;
};

// The calling thread's record (created on first use for threads the kernel did not start).
std::shared_ptr<TovThreadRecord> TovCurrentThread();

// The calling thread's record if it has one, without creating it: safe in a signal handler.
TovThreadRecord* TovCurrentThreadRecordIfAny();
