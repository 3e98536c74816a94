// Events: manual-reset events stay signalled until reset; an auto-reset event lets one
// waiter through and resets itself.
#include "kernel/base/posix/HandleTable.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/posix/NamedObjects.h"
#include "kernel/threads/posix/Waitable.h"

namespace {

class EventObject : public TovWaitable {
public:
    EventObject(bool manualReset, bool signalled)
        : TovWaitable(TovObjectType::Event), manualReset_(manualReset), signalled_(signalled) {}

    bool signalled(const TovThreadRecord&) const override { return signalled_; }
    bool satisfy(const std::shared_ptr<TovThreadRecord>&) override {
        if (!manualReset_) {
            signalled_ = false;
        }
        return false;
    }

    // With the wait lock held.
    void set() {
        signalled_ = true;
        wakeWaiters();
    }
    void reset() { signalled_ = false; }

private:
    bool manualReset_;
    bool signalled_;
};

std::shared_ptr<EventObject> eventFor(HANDLE event) {
    return TovHandleTable::instance().lookupAs<EventObject>(event, TovObjectType::Event);
}

}  // namespace

HANDLE CreateEventA(LPVOID, BOOL manualReset, BOOL initialState, LPCSTR name) {
    return TovCreateNamedObject(name, TovObjectType::Event, [&] {
        return std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE);
    });
}

BOOL SetEvent(HANDLE event) {
    std::shared_ptr<EventObject> object = eventFor(event);
    if (object == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    object->set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    std::shared_ptr<EventObject> object = eventFor(event);
    if (object == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    object->reset();
    return TRUE;
}
