// What the scheduler offers beyond the Win32 calls: the calling thread's priority on the
// kernel's own scale, one step up or down of it, and the time-slice counter.
#pragma once

#include "kernel/base/Win32Types.h"

// The kernel's priority levels are the Win32 priorities shifted by 16: idle is 1, normal 16,
// time-critical 31. GetThreadPriority sees a stepped thread at its new level minus 16.
constexpr int kTovPriorityLevelOffset = 16;

// The calling thread's level.
int TovCurrentThreadPriorityLevel();
// Moves the calling thread's level by `steps` (negative lowers it). Takes no lock, so it
// may be called from inside the heap.
void TovStepCurrentThreadPriority(int steps);

// The calling thread's time-slice counter: microseconds it has been running since it was
// last switched in. It starts again from zero after the thread has given up the processor
// (a wait, a sleep, or the host scheduler taking it away), so a value lower than one read
// before means the thread lost the processor in between.
DWORD TovTimeSliceCounter();
