// The kernel's event log: a bounded record of kernel events (thread and DLL life,
// exceptions) that a crash report can save.
#pragma once

#include <cstddef>

#include "kernel/base/Win32Types.h"

enum class TovEvent : WORD {
    ThreadCreate = 1,
    ThreadExit = 2,
    DllLoad = 3,
    DllUnload = 4,
    Exception = 5,
    Note = 6,
};

// Events kept; the oldest goes when a new one arrives.
constexpr std::size_t kEventLogCapacity = 512;
// Longest event text kept, without the terminator.
constexpr std::size_t kEventTextMax = 79;

// Records an event of the calling thread with a formatted text (cut to kEventTextMax).
// Does nothing while recording is suspended.
void TovRecordEvent(TovEvent kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Suspends (TRUE) or resumes (FALSE) recording; returns the previous state.
BOOL TovSuspendEventLog(BOOL suspend);

// Events held, oldest first.
DWORD TovEventCount();

// Formats the event at the index (0 = oldest) into the buffer, terminated and cut to
// size - 1; FALSE when there is no such event.
BOOL TovFormatEvent(DWORD index, LPSTR buffer, DWORD size);

// Forgets every event (a fresh boot of the kernel).
void TovClearEventLog();
