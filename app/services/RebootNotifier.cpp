#include "app/services/RebootNotifier.h"

#include <new>

#include "config/CriticalSectionLock.h"

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
    CriticalSectionLock hold(lock_);
    try {
        auto next = entries_ ? std::make_shared<Table>(*entries_) : std::make_shared<Table>();
        const int id = lastId_ + 1;
        next->push_back(Entry{function, context, callOnSystemError, id});
        lastId_ = id;
        entries_ = std::move(next);
        return id;
    } catch (const std::bad_alloc&) {
        entries_.reset();
        return -1;
    }
}

void RebootNotifier::notify(int reason) {
    std::shared_ptr<const Table> table;
    {
        CriticalSectionLock hold(lock_);
        table = entries_;
    }
    if (!table) {
        return;
    }
    for (const Entry& entry : *table) {
        if (reason != RebootSystemError || entry.callOnSystemError) {
            entry.function(reason, entry.context);
        }
    }
}

}  // namespace rx_fwk
