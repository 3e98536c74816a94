// The machine: restart, power-off, boot information and the kernel's command line.
#pragma once

#include "kernel/base/Win32Types.h"

// The application's entry point, registered before the kernel starts it.
using TovMainRoutine = int (*)();
void TovSetMainRoutine(TovMainRoutine routine);

// Called on a power-off (SIGTERM, SIGINT) on a kernel thread, before the process exits 0.
using TovPowerOffHandler = void (*)();
void TovSetPowerOffHandler(TovPowerOffHandler handler);

// Hardware reset: the image starts again from the beginning (same executable, same
// arguments). Never returns.
[[noreturn]] void TovRestartMachine();

// The kernel's shutdown notification before a restart.
void TovShutdownNotification();

// The field of the kernel's boot information that selects the kernel's own restart and
// console mode 1; zero on this kernel.
DWORD TovBootInfoFlag();

// Host directory that is drive C:.
LPCSTR TovDiskRoot();

// Scale of the fixed pacing waits (1 by default, 0 for none).
double TovPaceFactor();
