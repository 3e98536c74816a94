// The kernel's own settings in RTOS.INI, read through the kernel's profile reader.
#pragma once

// An integer key of RTOS.INI (the built-in copy, and the disk copy once the file systems
// are up); `defaultValue` when the key is absent.
unsigned TovRtosIniInt(const char* section, const char* key, unsigned defaultValue);
