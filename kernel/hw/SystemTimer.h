// The kernel's system timer: which tick period it runs at.
#pragma once

#include "kernel/base/Win32Types.h"

// Switches the timer to the legacy tick (every tick 1194 PIT periods) or back.
BOOL TovSetLegacyTickTimer(BOOL legacy);
BOOL TovIsLegacyTickTimer();
