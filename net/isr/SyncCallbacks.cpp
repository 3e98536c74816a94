#include "net/isr/SyncCallbacks.h"

#include <atomic>
#include <cstdint>

#include "kernel/interrupts/InterruptFlag.h"
#include "kernel/interrupts/IrqHook.h"

namespace {

constexpr LONG kFirst = 0x7FFFFFFF;
constexpr LONG kLast = INT32_MIN;

std::atomic<SyncCallback> gStart{nullptr};
std::atomic<SyncCallback> gEnd{nullptr};
bool gHooked[kTovIrqLines] = {};  // changed with interrupts disabled

void startHook(DWORD irq, TovInterruptContext* context, void*) {
    if (const SyncCallback callback = gStart.load()) {
        callback(context, irq);
    }
}

void endHook(DWORD irq, TovInterruptContext* context, void*) {
    if (const SyncCallback callback = gEnd.load()) {
        callback(context, irq);
    }
}

}  // namespace

void SetStartSyncCallback(SyncCallback callback, DWORD irq) {
    const DWORD line = irq & 0xFF;
    const BOOL previous = TovSetInterruptFlag(FALSE);
    if (callback != nullptr) {
        if (line < kTovIrqLines && !gHooked[line]) {
            if (TovIrqHookAdd(line, startHook, nullptr, kFirst)) {
                if (TovIrqHookAdd(line, endHook, nullptr, kLast)) {
                    gHooked[line] = true;
                } else {
                    TovIrqHookRemove(line, startHook, nullptr);
                }
            }
        }
        gStart.store(callback);
    } else {
        for (DWORD l = 0; l < kTovIrqLines; ++l) {
            if (gHooked[l]) {
                TovIrqHookRemove(l, startHook, nullptr);
                TovIrqHookRemove(l, endHook, nullptr);
                gHooked[l] = false;
            }
        }
        gStart.store(nullptr);
    }
    TovSetInterruptFlag(previous);
}

void SetEndSyncCallback(SyncCallback callback) {
    gEnd.store(callback);
}
