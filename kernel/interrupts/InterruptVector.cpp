// The vector table and the kernel's own calls on it.
#include "kernel/interrupts/InterruptVector.h"

#include "kernel/base/LastError.h"
#include "kernel/interrupts/InterruptState.h"

TovInterruptState& TovInterrupts() {
    static TovInterruptState* state = new TovInterruptState();  // hooks may run at exit
    return *state;
}

namespace {

bool validVector(DWORD vector) {
    if (vector < kTovInterruptVectors) {
        return true;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace

BOOL trueTovSetInterruptHandler(DWORD vector, TovInterruptRoutine routine) {
    if (!validVector(vector)) {
        return FALSE;
    }
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    s.vectors[vector] = routine;
    return TRUE;
}

BOOL trueTovSaveInterruptHandler(DWORD vector, TovSavedInterrupt* saved) {
    if (saved == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!validVector(vector)) {
        return FALSE;
    }
    TovInterruptState& s = TovInterrupts();
    std::lock_guard<std::mutex> hold(s.lock);
    saved->routine = s.vectors[vector];
    return TRUE;
}

BOOL trueTovRestoreInterruptHandler(DWORD vector, const TovSavedInterrupt* saved) {
    if (saved == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return trueTovSetInterruptHandler(vector, saved->routine);
}
