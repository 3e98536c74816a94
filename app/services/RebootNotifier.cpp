#include "app/services/RebootNotifier.h"

#include <new>

namespace rx_fwk {

RebootNotifier& RebootNotifier::instance() {
    static RebootNotifier* notifier = new RebootNotifier();
    return *notifier;
}

RebootNotifier::RebootNotifier() {
    InitializeCriticalSection(&lock_);
}

int RebootNotifier::registerCallback(RebootCallback function, void* context,
                                     bool callOnSystemError) {
    if (function == nullptr) {
        return -1;
    }
    EnterCriticalSection(&lock_);
    int id = -1;
    try {
        id = ++lastId_;
        entries_.push_back(Entry{function, context, callOnSystemError, id});
    } catch (const std::bad_alloc&) {
        entries_.clear();
        id = -1;
    }
    LeaveCriticalSection(&lock_);
    return id;
}

void RebootNotifier::notify(int reason) {
    EnterCriticalSection(&lock_);
    for (const Entry& entry : entries_) {
        if (reason != RebootSystemError || entry.callOnSystemError) {
            entry.function(reason, entry.context);
        }
    }
    LeaveCriticalSection(&lock_);
}

}  // namespace rx_fwk
