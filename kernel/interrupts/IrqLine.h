// Raising IRQ lines in software, and handing out lines to devices that have no interrupt
// hardware of their own.
#pragma once

#include "kernel/base/Win32Types.h"

// Delivers the line's vector routine (the hook dispatcher once the line has hooks) on the
// calling thread, with interrupts enabled, once no thread has them disabled. A line that is
// being served is served once more afterwards; a caller with interrupts disabled leaves the
// line pending until it enables them. FALSE with ERROR_INVALID_PARAMETER above line 15.
BOOL TovRaiseIrq(DWORD irq);

// Gives a free line to a device: one that no device holds, that has no hooks and no vector
// routine, and that the PC/AT's own devices do not use (timer, keyboard, cascade, clock,
// coprocessor). kTovNoIrq when none is left.
DWORD TovClaimIrqLine();
// Returns a claimed line.
void TovReleaseIrqLine(DWORD irq);
