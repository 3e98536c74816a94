// The processor's interrupt flag: while a thread has interrupts disabled, no IRQ line is
// delivered to any routine or hook.
#pragma once

#include "kernel/base/Win32Types.h"

// FALSE disables interrupts, TRUE enables them again; returns the calling thread's previous
// state (TRUE: enabled), so that `BOOL was = TovSetInterruptFlag(FALSE); ...;
// TovSetInterruptFlag(was);` nests. Disabling takes one kernel-wide lock (a second thread
// that disables waits), so the state it guards changes at one instant for every thread.
// Lines raised while the caller had interrupts disabled are delivered when it enables them.
BOOL TovSetInterruptFlag(BOOL enable);
