// The processor line of the PC evaluator, from CPUID.
#pragma once

#include <string>

#include "kernel/hw/Cpuid.h"

namespace nZUEmbCfg {

// The kernel's TovCpuid, or a stand-in in tests.
using CpuidQuery = BOOL (*)(DWORD function, TovCpuidRegisters* registers);

// "CPU: <brand string> \n" where the processor has one; otherwise "CPU: <vendor> " with the
// family name of an Intel processor (and " Dual" for processor type 2), then "\n"; only
// "\n" when the processor reports no basic function.
std::string processorIdentification(CpuidQuery cpuid = &TovCpuid);

}  // namespace nZUEmbCfg
