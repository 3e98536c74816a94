// The interrupt flag: one kernel-wide lock, held by the thread that disabled interrupts.
#include "kernel/interrupts/InterruptFlag.h"

#include "kernel/interrupts/InterruptState.h"

namespace {
thread_local bool tDisabled = false;
}

std::mutex& TovInterruptFlagLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

bool TovInterruptsDisabledHere() {
    return tDisabled;
}

BOOL TovSetInterruptFlag(BOOL enable) {
    if (!enable) {
        if (tDisabled) {
            return FALSE;
        }
        TovInterruptFlagLock().lock();
        tDisabled = true;
        return TRUE;
    }
    if (!tDisabled) {
        return TRUE;
    }
    tDisabled = false;
    TovInterruptFlagLock().unlock();
    TovDeliverPendingIrqs();
    return FALSE;
}
