// The per-IRQ hook chain: several routines share one IRQ line. The first hook of a line
// saves the line's vector routine and installs the kernel's dispatcher, which calls every
// hook in order of descending priority and then acknowledges the line; the last hook gone
// puts the saved routine back.
#pragma once

#include "kernel/base/Win32Types.h"
#include "kernel/interrupts/InterruptVector.h"

using TovIrqHookRoutine = void (*)(DWORD irq, TovInterruptContext* context, void* hookContext);

// A new hook goes before the hooks of equal priority. FALSE with ERROR_INVALID_PARAMETER for
// a line above 15 or a null routine.
BOOL TovIrqHookAdd(DWORD irq, TovIrqHookRoutine routine, void* hookContext, LONG priority);

// Removes the first hook with this routine and context; FALSE with ERROR_NOT_FOUND when the
// line has none. A hook that is running on another thread has finished when this returns,
// except when the caller has interrupts disabled (waiting could then deadlock with a hook
// that disables them too).
BOOL TovIrqHookRemove(DWORD irq, TovIrqHookRoutine routine, void* hookContext);

// How many hooks the line has (0 for a line above 15).
DWORD TovIrqHookCount(DWORD irq);
