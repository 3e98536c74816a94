// What the kernel was started with, for the parts that need it later.
#pragma once

#include "kernel/boot/Kernel.h"
#include "kernel/hw/Machine.h"

// The options of the latest TovKernelStart, with the disk as an absolute host path.
const TovKernelOptions& TovStartedOptions();
void TovSetStartedOptions(const TovKernelOptions& options);

TovMainRoutine TovRegisteredMainRoutine();
TovPowerOffHandler TovRegisteredPowerOffHandler();
