// RTOS.INI settings of the kernel. Stand-in until the profile reader lands: every key is
// absent.
#include "kernel/KernelSettings.h"

unsigned TovRtosIniInt(const char*, const char*, unsigned defaultValue) {
    return defaultValue;
}
