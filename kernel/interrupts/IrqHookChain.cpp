// The per-IRQ hook chain and its dispatcher.
#include <algorithm>

#include "kernel/base/LastError.h"
#include "kernel/interrupts/InterruptState.h"
#include "kernel/interrupts/IrqHook.h"

namespace {

bool hookStillThere(const TovIrqLineState& line, unsigned long long id) {
    return std::any_of(line.hooks.begin(), line.hooks.end(),
                       [id](const TovIrqHookEntry& hook) { return hook.id == id; });
}

}  // namespace

void TovIrqDispatch(TovInterruptContext* context) {
    const DWORD irq = context->irq;
    if (irq >= kTovIrqLines) {
        return;
    }
    TovInterruptState& s = TovInterrupts();
    std::unique_lock<std::mutex> state(s.lock);
    const std::vector<TovIrqHookEntry> hooks = s.lines[irq].hooks;
    for (const TovIrqHookEntry& hook : hooks) {
        // A hook removed by an earlier hook of this pass is not called.
        if (!hookStillThere(s.lines[irq], hook.id)) {
            continue;
        }
        state.unlock();
        hook.routine(irq, context, hook.context);
        state.lock();
    }
}

BOOL TovIrqHookAdd(DWORD irq, TovIrqHookRoutine routine, void* hookContext, LONG priority) {
    if (irq >= kTovIrqLines || routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    TovIrqLineState& line = s.lines[irq];
    if (line.hooks.empty()) {
        TovInterruptRoutine& vector = s.vectors[TovVectorOfIrq(irq)];
        line.saved = vector;
        vector = TovIrqDispatch;
    }
    // Before the first hook of lower priority: after the higher ones, before equal ones.
    auto at = std::find_if(line.hooks.begin(), line.hooks.end(),
                           [priority](const auto& hook) { return hook.priority <= priority; });
    line.hooks.insert(at, TovIrqHookEntry{routine, hookContext, priority, s.nextHookId++});
    return TRUE;
}

BOOL TovIrqHookRemove(DWORD irq, TovIrqHookRoutine routine, void* hookContext) {
    if (irq >= kTovIrqLines) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TovInterruptState& s = TovInterrupts();
    std::unique_lock<std::mutex> state(s.lock);
    TovIrqLineState& line = s.lines[irq];
    auto at = std::find_if(line.hooks.begin(), line.hooks.end(), [&](const auto& hook) {
        return hook.routine == routine && hook.context == hookContext;
    });
    if (at == line.hooks.end()) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    line.hooks.erase(at);
    if (line.hooks.empty()) {
        s.vectors[TovVectorOfIrq(irq)] = line.saved;
        line.saved = nullptr;
    }
    // The hook may be running on the thread that serves the line: let that delivery end,
    // so that the caller may free what the hook uses.
    if (line.inService && line.server != std::this_thread::get_id() &&
        !TovInterruptsDisabledHere()) {
        const unsigned long long begun = line.started;
        s.delivered.wait(state, [&line, begun] { return line.finished >= begun; });
    }
    return TRUE;
}

DWORD TovIrqHookCount(DWORD irq) {
    if (irq >= kTovIrqLines) {
        return 0;
    }
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    return DWORD(s.lines[irq].hooks.size());
}
