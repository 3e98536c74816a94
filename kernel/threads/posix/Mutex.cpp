// Mutexes: recursive and owned by a thread, waited for with WaitForSingleObject. A mutex
// whose owner ended is abandoned: the next wait gets it with WAIT_ABANDONED.
#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/posix/NamedObjects.h"
#include "kernel/threads/posix/ThreadRecord.h"
#include "kernel/threads/posix/Waitable.h"

namespace {

class MutexObject : public TovWaitable {
public:
    explicit MutexObject(std::shared_ptr<TovThreadRecord> owner)
        : TovWaitable(TovObjectType::Mutex), owner_(owner), count_(owner != nullptr ? 1 : 0) {}

    bool signalled(const TovThreadRecord& waiter) const override {
        std::shared_ptr<TovThreadRecord> owner = owner_.lock();
        return count_ == 0 || owner.get() == &waiter || abandoned(owner);
    }
    bool satisfy(const std::shared_ptr<TovThreadRecord>& waiter) override {
        std::shared_ptr<TovThreadRecord> owner = owner_.lock();
        if (count_ > 0 && owner == waiter) {
            ++count_;
            return false;
        }
        bool wasAbandoned = count_ > 0 && abandoned(owner);
        owner_ = waiter;
        count_ = 1;
        return wasAbandoned;
    }

    // With the wait lock held: false when the caller does not own the mutex.
    bool release(const std::shared_ptr<TovThreadRecord>& caller) {
        if (count_ == 0 || owner_.lock() != caller) {
            return false;
        }
        if (--count_ == 0) {
            owner_.reset();
            wakeWaiters();
        }
        return true;
    }

private:
    // With the wait lock held.
    static bool abandoned(const std::shared_ptr<TovThreadRecord>& owner) {
        return owner == nullptr || owner->ended_;
    }

    std::weak_ptr<TovThreadRecord> owner_;
    DWORD count_;
};

}  // namespace

HANDLE CreateMutexA(LPVOID, BOOL initialOwner, LPCSTR name) {
    std::shared_ptr<TovThreadRecord> owner = initialOwner != FALSE ? TovCurrentThread() : nullptr;
    return TovCreateNamedObject(name, TovObjectType::Mutex,
                                [&] { return std::make_shared<MutexObject>(owner); });
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) {
    return TovOpenNamedObject(name, TovObjectType::Mutex);
}

BOOL ReleaseMutex(HANDLE mutex) {
    std::shared_ptr<MutexObject> object =
        TovHandleTable::instance().lookupAs<MutexObject>(mutex, TovObjectType::Mutex);
    if (object == nullptr) {
        return FALSE;
    }
    std::shared_ptr<TovThreadRecord> caller = TovCurrentThread();
    std::lock_guard<std::mutex> guard(TovWaitLock());
    if (!object->release(caller)) {
        return TovFail(ERROR_NOT_OWNER, FALSE);
    }
    return TRUE;
}
