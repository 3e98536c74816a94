// Last calls before the machine restarts, in registration order.
#pragma once

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
    // Calls every entry under the lock; for a system error only those that asked for it.
    // A callback must not register another.
    void notify(int reason);

private:
    RebootNotifier();

    struct Entry {
        RebootCallback function;
        void* context;
        bool callOnSystemError;
        int id;
    };

    CRITICAL_SECTION lock_;
    int lastId_ = 1;
    std::vector<Entry> entries_;
};

inline int registerRebootCallback(RebootCallback function, void* context, bool callOnSystemError) {
    return RebootNotifier::instance().registerCallback(function, context, callOnSystemError);
}

inline void notifyReboot(int reason) {
    RebootNotifier::instance().notify(reason);
}

}  // namespace rx_fwk
