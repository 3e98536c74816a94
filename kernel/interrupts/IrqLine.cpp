// Raising IRQ lines in software, and the lines handed out to devices.
#include "kernel/interrupts/IrqLine.h"

#include "kernel/base/LastError.h"
#include "kernel/interrupts/InterruptState.h"

namespace {

// Lines the PC/AT's own devices use: timer, keyboard, cascade, real-time clock, coprocessor.
bool reserved(DWORD irq) {
    return irq == 0 || irq == 1 || irq == 2 || irq == 8 || irq == 13;
}

}  // namespace

void TovServeIrq(DWORD irq) {
    TovInterruptState& s = TovInterrupts();
    const DWORD vector = TovVectorOfIrq(irq);
    for (;;) {
        // An interrupt is taken only while no thread has interrupts disabled.
        std::unique_lock<std::mutex> flag(TovInterruptFlagLock());
        std::unique_lock<std::mutex> state(s.lock);
        TovIrqLineState& line = s.lines[irq];
        if (!line.pending) {
            // Acknowledged: the line may be delivered again.
            line.inService = false;
            line.server = std::thread::id();
            s.delivered.notify_all();
            return;
        }
        line.pending = false;
        ++line.started;
        const TovInterruptRoutine routine = s.vectors[vector];
        state.unlock();
        flag.unlock();
        if (routine != nullptr) {
            TovInterruptContext context{vector, irq};
            routine(&context);
        }
        state.lock();
        ++line.finished;
        s.delivered.notify_all();
    }
}

void TovDeliverPendingIrqs() {
    TovInterruptState& s = TovInterrupts();
    for (DWORD irq = 0; irq < kTovIrqLines; ++irq) {
        {
            std::lock_guard<std::mutex> hold(s.lock);
            TovIrqLineState& line = s.lines[irq];
            if (!line.pending || line.inService) {
                continue;
            }
            line.inService = true;
            line.server = std::this_thread::get_id();
        }
        TovServeIrq(irq);
    }
}

BOOL TovRaiseIrq(DWORD irq) {
    if (irq >= kTovIrqLines) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TovInterruptState& s = TovInterrupts();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        TovIrqLineState& line = s.lines[irq];
        line.pending = true;
        if (line.inService || TovInterruptsDisabledHere()) {
            return TRUE;  // delivered by the thread serving it, or when interrupts come back
        }
        line.inService = true;
        line.server = std::this_thread::get_id();
    }
    TovServeIrq(irq);
    return TRUE;
}

DWORD TovClaimIrqLine() {
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    for (DWORD irq = 0; irq < kTovIrqLines; ++irq) {
        TovIrqLineState& line = s.lines[irq];
        if (!reserved(irq) && !line.claimed && line.hooks.empty() &&
            s.vectors[TovVectorOfIrq(irq)] == nullptr) {
            line.claimed = true;
            return irq;
        }
    }
    return kTovNoIrq;
}

void TovReleaseIrqLine(DWORD irq) {
    if (irq >= kTovIrqLines) {
        return;
    }
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    s.lines[irq].claimed = false;
}
