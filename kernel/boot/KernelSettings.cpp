// RTOS.INI settings of the kernel, through the kernel's profile reader.
#include "kernel/boot/KernelSettings.h"

#include "kernel/profile/Profile.h"

unsigned TovRtosIniInt(const char* section, const char* key, unsigned defaultValue) {
    return GetPrivateProfileIntA(section, key, int(defaultValue), "RTOS.INI");
}
