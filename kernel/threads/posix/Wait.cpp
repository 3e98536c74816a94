// WaitForSingleObject and WaitForMultipleObjects over the waitable objects.
#include <chrono>
#include <memory>

#include "kernel/base/LastError.h"
#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/posix/ThreadRecord.h"
#include "kernel/threads/posix/Waitable.h"

std::mutex& TovWaitLock() {
    static std::mutex* lock = new std::mutex;  // outlives every thread at exit
    return *lock;
}

void TovWaitable::wakeWaiters() {
    for (std::condition_variable* waiter : waiters_) {
        waiter->notify_one();
    }
}

void TovWaitable::removeWaiter(std::condition_variable* waiter) {
    for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
        if (*it == waiter) {
            waiters_.erase(it);
            return;
        }
    }
}

namespace {

using Clock = std::chrono::steady_clock;

// With the wait lock held: the index of the object that satisfies the wait now, `count`
// when all of them do (wait for all), or -1.
int readyIndex(const std::vector<std::shared_ptr<TovWaitable>>& objects, bool waitAll,
               const TovThreadRecord& self) {
    int count = static_cast<int>(objects.size());
    for (int i = 0; i < count; ++i) {
        bool ready = objects[i]->signalled(self);
        if (!waitAll && ready) {
            return i;
        }
        if (waitAll && !ready) {
            return -1;
        }
    }
    return waitAll ? count : -1;
}

DWORD waitFor(const HANDLE* handles, DWORD count, bool waitAll, DWORD milliseconds) {
    if (handles == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        return TovFail(ERROR_INVALID_PARAMETER, WAIT_FAILED);
    }
    std::vector<std::shared_ptr<TovWaitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        std::shared_ptr<TovKernelObject> object = TovHandleTable::instance().lookup(handles[i]);
        if (object == nullptr ||
            (object->type() != TovObjectType::Thread && object->type() != TovObjectType::Event &&
             object->type() != TovObjectType::Mutex)) {
            return TovFail(ERROR_INVALID_HANDLE, WAIT_FAILED);
        }
        objects.push_back(std::static_pointer_cast<TovWaitable>(object));
    }

    std::shared_ptr<TovThreadRecord> self = TovCurrentThread();
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::condition_variable wakeUp;
    bool registered = false;
    std::unique_lock<std::mutex> lock(TovWaitLock());
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        int ready = readyIndex(objects, waitAll, *self);
        if (ready >= 0) {
            bool abandoned = false;
            if (waitAll) {
                for (auto& object : objects) {
                    abandoned = object->satisfy(self) || abandoned;
                }
                ready = 0;
            } else {
                abandoned = objects[ready]->satisfy(self);
            }
            result = (abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0) + static_cast<DWORD>(ready);
            break;
        }
        if (milliseconds == 0) {
            break;
        }
        if (!registered) {
            for (auto& object : objects) {
                object->addWaiter(&wakeUp);
            }
            registered = true;
        }
        if (milliseconds == INFINITE) {
            wakeUp.wait(lock);
        } else if (wakeUp.wait_until(lock, deadline) == std::cv_status::timeout &&
                   readyIndex(objects, waitAll, *self) < 0) {
            break;
        }
    }
    if (registered) {
        for (auto& object : objects) {
            object->removeWaiter(&wakeUp);
        }
    }
    return result;
}

}  // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return waitFor(&handle, 1, false, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    return waitFor(handles, count, waitAll != FALSE, milliseconds);
}
