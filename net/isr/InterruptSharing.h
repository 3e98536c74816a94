// The interrupt functions the program exports to drivers in place of the kernel's own: on
// an IRQ line they share the line through the kernel's hook chain instead of replacing
// its routine; every other vector goes to the kernel's own function.
#pragma once

#include "kernel/base/Win32Types.h"
#include "kernel/interrupts/InterruptVector.h"

extern "C" {

// On an IRQ line: stores the routine and hooks the line (priority 0); the hook calls the
// routine while the line is enabled (TovPicEnable). FALSE when the line has a routine
// already or the routine is null.
BOOL TovSetInterruptHandler(DWORD vector, TovInterruptRoutine routine);
// On an IRQ line: TRUE and nothing saved.
BOOL TovSaveInterruptHandler(DWORD vector, TovSavedInterrupt* saved);
// On an IRQ line: unhooks the line and forgets its routine; the result of the removal.
BOOL TovRestoreInterruptHandler(DWORD vector, const TovSavedInterrupt* saved);
// Lines 0 to 15: enabled when `enable` is exactly 1, otherwise disabled; answers the
// previous state (1 or 0). 0 for any other line. The interrupt controller is not touched.
int TovPicEnable(DWORD irq, int enable);
// Nothing to do: the hook chain's dispatcher acknowledges the line.
void TovPicEOI(DWORD irq);
}
