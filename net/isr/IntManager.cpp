#include "net/isr/IntManager.h"

#include <algorithm>
#include <vector>

#include "cmdserver/net/callOnce.h"
#include "kernel/interrupts/IrqHook.h"
#include "kernel/threads/Sync.h"

namespace rxfwk_isr {

struct IntManager::Impl {
    struct Registration {
        IntHandler* handler;
        std::uint8_t irq;
    };

    Impl() { InitializeCriticalSection(&lock); }

    CRITICAL_SECTION lock;
    std::vector<Registration> registrations;
};

namespace {

void serviceHook(DWORD irq, TovInterruptContext*, void* hookContext) {
    static_cast<IntHandler*>(hookContext)->Service(irq);
}

}  // namespace

IntManager::IntManager() : impl_(new Impl()) {}

IntManager* IntManager::Instance() {
    static IntManager* manager = nullptr;
    MTHREAD_ONCE_GUARD(guard);
    mthread::callOnce(guard, [] { manager = new IntManager(); });
    return manager;
}

bool IntManager::Register(IntHandler* handler, std::uint8_t irq) {
    EnterCriticalSection(&impl_->lock);
    auto& list = impl_->registrations;
    const bool known = std::any_of(list.begin(), list.end(), [&](const Impl::Registration& r) {
        return r.handler == handler && r.irq == irq;
    });
    bool hooked = false;
    if (!known) {
        list.push_back({handler, irq});
        hooked = TovIrqHookAdd(irq, serviceHook, handler, 0) != FALSE;
    }
    LeaveCriticalSection(&impl_->lock);
    return hooked;
}

bool IntManager::Unregister(IntHandler* handler) {
    std::vector<std::uint8_t> lines;
    EnterCriticalSection(&impl_->lock);
    auto& list = impl_->registrations;
    for (auto it = list.begin(); it != list.end();) {
        if (it->handler == handler) {
            lines.push_back(it->irq);
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    LeaveCriticalSection(&impl_->lock);
    // Unhooked outside the lock: the removal waits for a running Service, which may
    // register a handler of its own.
    for (std::uint8_t irq : lines) {
        TovIrqHookRemove(irq, serviceHook, handler);
    }
    return !lines.empty();
}

}  // namespace rxfwk_isr
