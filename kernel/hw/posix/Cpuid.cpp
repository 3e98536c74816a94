// CPUID where the processor has it.
#include "kernel/hw/Cpuid.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "kernel/base/posix/Win32Error.h"

BOOL TovCpuid(DWORD function, TovCpuidRegisters* registers) {
    if (registers == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(function, 0, eax, ebx, ecx, edx);
    *registers = TovCpuidRegisters{eax, ebx, ecx, edx};
    return TRUE;
#else
    *registers = TovCpuidRegisters{};
    return TovFail(ERROR_NOT_SUPPORTED, FALSE);
#endif
}
