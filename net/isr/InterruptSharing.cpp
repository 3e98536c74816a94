#include "net/isr/InterruptSharing.h"

#include <atomic>

#include "kernel/interrupts/InterruptFlag.h"
#include "kernel/interrupts/IrqHook.h"

namespace {

// One IRQ line's routine and enable flag; changed with interrupts disabled, read by the
// line's hook while they are enabled.
struct SharedLine {
    std::atomic<TovInterruptRoutine> routine{nullptr};
    std::atomic<bool> enabled{false};
};

SharedLine gLines[kTovIrqLines];

void sharedLineHook(DWORD, TovInterruptContext* context, void* hookContext) {
    const SharedLine& line = *static_cast<const SharedLine*>(hookContext);
    const TovInterruptRoutine routine = line.routine.load();
    if (line.enabled.load() && routine != nullptr) {
        routine(context);
    }
}

// Interrupts disabled for the lifetime of the object.
class InterruptsDisabled {
public:
    InterruptsDisabled() : previous_(TovSetInterruptFlag(FALSE)) {}
    ~InterruptsDisabled() { TovSetInterruptFlag(previous_); }
    InterruptsDisabled(const InterruptsDisabled&) = delete;
    InterruptsDisabled& operator=(const InterruptsDisabled&) = delete;

private:
    BOOL previous_;
};

}  // namespace

BOOL TovSetInterruptHandler(DWORD vector, TovInterruptRoutine routine) {
    const DWORD irq = TovIrqOfVector(vector);
    if (irq == kTovNoIrq) {
        return trueTovSetInterruptHandler(vector, routine);
    }
    // A null routine would leave the line looking free while it is hooked.
    if (routine == nullptr) {
        return FALSE;
    }
    InterruptsDisabled disabled;
    SharedLine& line = gLines[irq];
    if (line.routine.load() != nullptr) {
        return FALSE;
    }
    line.routine.store(routine);
    return TovIrqHookAdd(irq, sharedLineHook, &line, 0);
}

BOOL TovSaveInterruptHandler(DWORD vector, TovSavedInterrupt* saved) {
    if (TovIrqOfVector(vector) == kTovNoIrq) {
        return trueTovSaveInterruptHandler(vector, saved);
    }
    return TRUE;
}

BOOL TovRestoreInterruptHandler(DWORD vector, const TovSavedInterrupt* saved) {
    const DWORD irq = TovIrqOfVector(vector);
    if (irq == kTovNoIrq) {
        return trueTovRestoreInterruptHandler(vector, saved);
    }
    InterruptsDisabled disabled;
    SharedLine& line = gLines[irq];
    const BOOL removed = TovIrqHookRemove(irq, sharedLineHook, &line);
    line.routine.store(nullptr);
    return removed;
}

int TovPicEnable(DWORD irq, int enable) {
    if (irq >= kTovIrqLines) {
        return 0;
    }
    InterruptsDisabled disabled;
    return gLines[irq].enabled.exchange(enable == 1) ? 1 : 0;
}

void TovPicEOI(DWORD) {}
