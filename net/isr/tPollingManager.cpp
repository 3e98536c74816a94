#include "net/isr/tPollingManager.h"

#include <cstdint>
#include <cstdio>

#include "config/ConfigManager.h"
#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace rxfwk_isr {
namespace {

constexpr std::size_t kStackSize = 8192;
constexpr int kThreadPriority = 3;

unsigned long address(const IntHandler* handler) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handler));
}

}  // namespace

tPollingManager* tPollingManager::Instance() {
    static tPollingManager* manager = new tPollingManager();
    return manager;
}

tPollingManager::tPollingManager()
    : tPollingManager(CreateEventA(nullptr, FALSE, FALSE, nullptr),
                      CreateMutexA(nullptr, FALSE, nullptr)) {}

tPollingManager::tPollingManager(HANDLE wakeEvent, HANDLE lock) {
    rx_fwk::ConfigManager& settings = rx_fwk::ConfigManager::instance();
    debug_ = settings.getBool("KORA", "RTDebugPolling", false);
    wakeEvent_ = wakeEvent;
    if (wakeEvent_ != nullptr) {
        ResetEvent(wakeEvent_);
    }
    lock_ = lock;
    if (wakeEvent_ == nullptr || lock_ == nullptr) {
        std::printf("Error detected! tPollingManager Disabled!\n");
        return;
    }
    int delay = settings.getInt("kora", "RTEnetPollingDelay", delay_.load());
    delay = delay < kMinDelay ? kMinDelay : delay > kMaxDelay ? kMaxDelay : delay;
    delay_.store(delay);
    disabled_ = 0;
    if (debug_) {
        std::printf("PollingManager Delay %d...\n", delay);
    }
    thread_ = CreateThread(nullptr, kStackSize, pollingThread, this, 0, &threadId_);
    if (thread_ == nullptr) {
        // Without its thread nothing would ever be polled: refuse registrations instead.
        disabled_ = 1;
        std::printf("Error detected! tPollingManager Disabled!\n");
        return;
    }
    TovSetThreadName(thread_, "Ethernet Polling Thread");
    while (threadReady_.load() == 0) {
        Sleep(1);
    }
}

tPollingManager::~tPollingManager() {
    Stop();
    if (wakeEvent_ != nullptr) {
        CloseHandle(wakeEvent_);
    }
    if (lock_ != nullptr) {
        CloseHandle(lock_);
    }
}

void tPollingManager::Stop() {
    if (thread_ == nullptr) {
        return;
    }
    stopRequest_.store(1);
    SetEvent(wakeEvent_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

void tPollingManager::take() {
    if (disabled_ == 0) {
        WaitForSingleObject(lock_, INFINITE);
    }
}

void tPollingManager::give() {
    if (disabled_ == 0) {
        ReleaseMutex(lock_);
    }
}

DWORD tPollingManager::pollingThread(LPVOID self) {
    static_cast<tPollingManager*>(self)->run();
    return 0;
}

void tPollingManager::run() {
    if (debug_) {
        std::printf("RTENET/SLEEP worker thread ready\n");
    }
    SetThreadPriority(GetCurrentThread(), kThreadPriority);
    threadReady_.store(1);
    while (stopRequest_.load() == 0) {
        WaitForSingleObject(lock_, INFINITE);
        for (int slot = 0; slot < kSlots && handlers_[slot] != nullptr; ++slot) {
            if (handlers_[slot]->Poll()) {
                handlers_[slot]->Service(0);
            }
        }
        ReleaseMutex(lock_);
        // Nothing to poll: sleep until a change wakes the thread.
        WaitForSingleObject(wakeEvent_, count_.load() != 0 ? DWORD(delay_.load()) : INFINITE);
        wakeups_.fetch_add(1);
    }
    if (debug_) {
        std::printf("RTENET/SLEEP worker thread is going bye bye\n");
    }
    stopRequest_.fetch_add(1);
}

int tPollingManager::RegisterIntHandler(IntHandler* handler) {
    if (disabled_ != 0) {
        if (wakeEvent_ != nullptr) {
            SetEvent(wakeEvent_);
        }
        return 2;
    }
    take();
    int result = 1;
    // A null handler would end the polling loop early and hide the slots after it.
    if (count_.load() < kSlots && handler != nullptr) {
        const int slot = count_.load();
        handlers_[slot] = handler;
        count_.store(slot + 1);
        result = 0;
        if (debug_) {
            std::printf("Device registered: [%d]  = %lX\n", slot, address(handler));
        }
    }
    SetEvent(wakeEvent_);
    give();
    return result;
}

void tPollingManager::UnregisterIntHandler(IntHandler* handler) {
    take();
    const int count = count_.load();
    int slot = 0;
    while (slot < count && handlers_[slot] != handler) {
        ++slot;
    }
    if (slot < count) {
        if (debug_) {
            std::printf("Device unregistered: [%d] = %lX\n", slot, address(handler));
        }
        for (; slot < kSlots - 1; ++slot) {
            handlers_[slot] = handlers_[slot + 1];
        }
        handlers_[kSlots - 1] = nullptr;
        count_.fetch_sub(1);
    }
    if (wakeEvent_ != nullptr) {
        SetEvent(wakeEvent_);
    }
    give();
}

void tPollingManager::SetDelay(int milliseconds) {
    take();
    delay_.store(milliseconds);
    if (wakeEvent_ != nullptr) {
        SetEvent(wakeEvent_);
    }
    give();
}

IntHandler* tPollingManager::handler(int slot) const {
    return slot >= 0 && slot < kSlots ? handlers_[slot] : nullptr;
}

}  // namespace rxfwk_isr

void PollingManagerSetDelay(int milliseconds) {
    rxfwk_isr::tPollingManager::Instance()->SetDelay(milliseconds);
}
