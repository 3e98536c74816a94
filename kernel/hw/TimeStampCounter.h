// The processor's time-stamp counter and the frequency start-up measured for it.
#pragma once

#include "kernel/base/Win32Types.h"

// CPUID reports a time-stamp counter.
BOOL TovHasTimeStampCounter();
ULONGLONG TovReadTimeStampCounter();

// Counts per second, as calibrated at start-up (0 before).
void TovSetTimeStampFrequency(ULONGLONG frequency);
ULONGLONG TovTimeStampFrequency();
