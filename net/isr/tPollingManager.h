// The polling manager: a thread that asks every registered handler, once per period,
// whether it has work, and runs its Service when it has.
#pragma once

#include <atomic>

#include "kernel/base/Win32Types.h"
#include "net/isr/IntHandler.h"

namespace rxfwk_isr {

class tPollingManager {
public:
    static constexpr int kSlots = 32;
    static constexpr int kMinDelay = 1;
    static constexpr int kMaxDelay = 10000;

    // The program's manager, made on the first call (which must not race with another) and
    // never destroyed.
    static tPollingManager* Instance();

    // 0 registered, 1 table full (or a null handler), 2 manager disabled. The same handler
    // may be registered more than once.
    int RegisterIntHandler(IntHandler* handler);
    // Removes the first slot holding the handler; later slots move down.
    void UnregisterIntHandler(IntHandler* handler);
    // The period in milliseconds from the next wait on; not limited (0 polls without pause).
    void SetDelay(int milliseconds);

    // A manager of its own with its thread, reading its settings now (KORA/RTDebugPolling,
    // kora/RTEnetPollingDelay). Instance() makes the program's one this way.
    tPollingManager();
    ~tPollingManager();
    tPollingManager(const tPollingManager&) = delete;
    tPollingManager& operator=(const tPollingManager&) = delete;

    // Ends the polling thread and waits for it; the table stays as it is.
    void Stop();

    int count() const { return count_.load(); }
    int delay() const { return delay_.load(); }
    bool disabled() const { return disabled_ != 0; }
    IntHandler* handler(int slot) const;
    // Times the polling thread has woken from its wait.
    unsigned long wakeups() const { return wakeups_.load(); }

protected:
    // Takes the wake event and the lock (either null when it could not be made).
    tPollingManager(HANDLE wakeEvent, HANDLE lock);

private:
    static DWORD pollingThread(LPVOID self);
    void run();
    void take();
    void give();

    std::atomic<int> count_{0};
    IntHandler* handlers_[kSlots] = {};
    DWORD threadId_ = 0;
    std::atomic<int> threadReady_{0};
    std::atomic<int> delay_{1};
    std::atomic<int> stopRequest_{0};
    HANDLE lock_ = nullptr;
    int disabled_ = 1;
    HANDLE wakeEvent_ = nullptr;
    bool debug_ = false;
    HANDLE thread_ = nullptr;  // kept, so that the manager can stop and join it
    std::atomic<unsigned long> wakeups_{0};
};

}  // namespace rxfwk_isr

// Instance()->SetDelay(milliseconds).
extern "C" void PollingManagerSetDelay(int milliseconds);
