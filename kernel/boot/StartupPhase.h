// The kernel's start-up table and the runner that calls one phase of it.
#pragma once

#include "kernel/base/Win32Types.h"

using TovStartupFunction = void (*)(DWORD phase, const char* phaseName);

struct TovStartupStep {
    DWORD phase;  // 0 ends the table
    TovStartupFunction step;
    const char* name;  // null: announced by the function's address
};

// Runs, in table order, the entries of `phase` from the first one of that phase for as long
// as the entries carry it, with the start and end lines at level 10 of "IFT" and a line per
// step at level 20. Returns the number of steps run. A step's failure is its own business.
int TovRunStartupPhase(const TovStartupStep* table, DWORD phase, const char* phaseName);

// The kernel's own table: phase 1, "Subsystem Init".
extern const TovStartupStep kTovStartupTable[];
