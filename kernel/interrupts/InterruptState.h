// The kernel's interrupt state shared by the vector table, the hook chain, the line raising
// and the interrupt flag. Not for the application.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "kernel/interrupts/InterruptVector.h"
#include "kernel/interrupts/IrqHook.h"

struct TovIrqHookEntry {
    TovIrqHookRoutine routine;
    void* context;
    LONG priority;
    unsigned long long id;  // tells a hook from a later one with the same routine and context
};

struct TovIrqLineState {
    std::vector<TovIrqHookEntry> hooks;   // descending priority
    TovInterruptRoutine saved = nullptr;  // the vector's routine before the first hook
    bool claimed = false;                 // given to a device
    bool pending = false;                 // raised and not yet delivered
    bool inService = false;               // a thread is delivering the line
    std::thread::id server;               // that thread
    unsigned long long started = 0;       // deliveries begun and finished, for removals
    unsigned long long finished = 0;      // that wait for a running hook
};

struct TovInterruptState {
    std::mutex lock;  // guards everything below; taken after the interrupt flag, never before
    std::condition_variable delivered;  // a line's delivery has finished
    TovInterruptRoutine vectors[kTovInterruptVectors] = {};
    TovIrqLineState lines[kTovIrqLines];
    unsigned long long nextHookId = 1;
};

TovInterruptState& TovInterrupts();

// The lock behind the interrupt flag, and whether the calling thread holds it.
std::mutex& TovInterruptFlagLock();
bool TovInterruptsDisabledHere();

// The kernel's dispatcher of hooked lines (a vector routine).
void TovIrqDispatch(TovInterruptContext* context);

// Delivers the line until it is no longer pending; the caller has marked it in service.
void TovServeIrq(DWORD irq);
// Delivers every line left pending while the calling thread had interrupts disabled.
void TovDeliverPendingIrqs();
