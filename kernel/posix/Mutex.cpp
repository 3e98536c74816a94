// Mutexes: recursive and owned by a thread, waited for with WaitForSingleObject.
#include "kernel/Sync.h"
#include "kernel/Thread.h"
#include "kernel/posix/HandleTable.h"
#include "kernel/posix/NamedObjects.h"
#include "kernel/posix/Waitable.h"
#include "kernel/posix/Win32Error.h"

namespace {

constexpr DWORD kNoOwner = 0;

class MutexObject : public TovWaitable {
public:
    MutexObject(DWORD owner) : TovWaitable(TovObjectType::Mutex), owner_(owner) {
        count_ = owner == kNoOwner ? 0 : 1;
    }

    bool signalled(DWORD waiter) const override { return owner_ == kNoOwner || owner_ == waiter; }
    bool satisfy(DWORD waiter) override {
        owner_ = waiter;
        ++count_;
        return false;
    }

    // With the wait lock held: false when the caller does not own the mutex.
    bool release(DWORD caller) {
        if (owner_ != caller || count_ == 0) {
            return false;
        }
        if (--count_ == 0) {
            owner_ = kNoOwner;
            wakeWaiters();
        }
        return true;
    }

private:
    DWORD owner_;
    DWORD count_;
};

}  // namespace

HANDLE CreateMutexA(LPVOID, BOOL initialOwner, LPCSTR name) {
    DWORD owner = initialOwner != FALSE ? GetCurrentThreadId() : kNoOwner;
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
    DWORD caller = GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(TovWaitLock());
    if (!object->release(caller)) {
        return TovFail(ERROR_NOT_OWNER, FALSE);
    }
    return TRUE;
}
