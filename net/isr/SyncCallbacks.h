// Synchronisation callbacks: one routine called before every other hook of a line and one
// after them, on each line a start callback was set for.
#pragma once

#include "kernel/base/Win32Types.h"
#include "kernel/interrupts/InterruptVector.h"

using SyncCallback = void (*)(TovInterruptContext* context, DWORD irq);

extern "C" {

// With a callback: hooks the line (low 8 bits of `irq`) at both ends of its chain unless it
// is hooked already or above 15, and keeps the callback as the start callback of every
// hooked line. Null: unhooks every line and forgets the start callback.
void SetStartSyncCallback(SyncCallback callback, DWORD irq);
// Keeps the end callback (null forgets it).
void SetEndSyncCallback(SyncCallback callback);
}
