// Last calls before the machine restarts, in registration order.
#pragma once

#include <memory>
#include <vector>

#include "kernel/threads/Sync.h"

namespace rx_fwk {

enum RebootReason : int {
    RebootNormal = 0,
    RebootInstall = 1,
    RebootSystemError = 3,
};

using RebootCallback = void (*)(int reason, void* context);

class RebootNotifier {
public:
    static RebootNotifier& instance();

    // Returns the entry's id (greater than 1), or -1 for a null function or when the table
    // cannot grow (the table is then emptied).
    int registerCallback(RebootCallback function, void* context, bool callOnSystemError);
    // Calls every entry of the table as it stands, for a system error only those that asked
    // for it. The callbacks run outside the lock: one that crashes or blocks must not hold
    // up the crash handler's own reboot. A callback may register another (called next time).
    void notify(int reason);

private:
    RebootNotifier();

    struct Entry {
        RebootCallback function;
        void* context;
        bool callOnSystemError;
        int id;
    };
    using Table = std::vector<Entry>;

    CRITICAL_SECTION lock_;
    int lastId_ = 1;
    // Replaced, never changed, by a registration: notify copies the pointer under the lock
    // and allocates nothing, as the crash path may run with the heap's lock held by the
    // thread that crashed.
    std::shared_ptr<const Table> entries_;
};

inline int registerRebootCallback(RebootCallback function, void* context, bool callOnSystemError) {
    return RebootNotifier::instance().registerCallback(function, context, callOnSystemError);
}

inline void notifyReboot(int reason) {
    RebootNotifier::instance().notify(reason);
}

}  // namespace rx_fwk
