// The processor's own identification through the CPUID instruction.
#pragma once

#include "kernel/base/Win32Types.h"

struct TovCpuidRegisters {
    DWORD eax;
    DWORD ebx;
    DWORD ecx;
    DWORD edx;
};

// Runs CPUID for the function (EAX) with sub-function 0. FALSE with ERROR_NOT_SUPPORTED on a
// processor without the instruction; a function above the highest one the processor reports
// answers what the processor answers for it.
BOOL TovCpuid(DWORD function, TovCpuidRegisters* registers);
