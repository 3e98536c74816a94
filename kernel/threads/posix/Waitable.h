// Objects a thread can wait for (threads, events, mutexes). One lock guards the state of
// all of them, so a wait for several objects sees and takes them at one instant; each
// waiting thread sleeps on its own condition variable, registered with what it waits for.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "kernel/base/Win32Types.h"
#include "kernel/base/posix/KernelObject.h"

class TovThreadRecord;

// The lock of every waitable object's state.
std::mutex& TovWaitLock();

class TovWaitable : public TovKernelObject {
public:
    using TovKernelObject::TovKernelObject;

    // With the wait lock held: whether a wait by thread `waiter` would be satisfied now.
    virtual bool signalled(const TovThreadRecord& waiter) const = 0;
    // With the wait lock held, after `signalled`: the wait takes the object (an auto-reset
    // event resets, a mutex gets its owner). Answers true when the object was abandoned.
    virtual bool satisfy(const std::shared_ptr<TovThreadRecord>& waiter) {
        (void)waiter;
        return false;
    }

    // With the wait lock held: wakes the threads that wait for this object.
    void wakeWaiters();

    void addWaiter(std::condition_variable* waiter) { waiters_.push_back(waiter); }
    void removeWaiter(std::condition_variable* waiter);

private:
    std::vector<std::condition_variable*> waiters_;
};
