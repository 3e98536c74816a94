// The kernel's read-only profile calls: values, key and section lists of INI files, and the
// kernel's own RTOS.INI with its built-in copy.
#pragma once

#include "kernel/base/Win32Types.h"

// Characters copied to `buffer` without the terminator. A null `key` lists the section's
// keys, a null `section` the file's sections, each NUL-terminated, the list ended by an
// extra NUL. A missing value gives `def` when it fits.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer, DWORD size,
                               LPCSTR file);
// The leading decimal digits of the value; `def` when there is none or it does not fit in
// 32 bits, 0 for a negative value.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int def, LPCSTR file);
// Every line of the section, comments included, each NUL-terminated, the list ended by an
// extra NUL.
DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file);

// Called by the kernel's start-up once every file system is up: from then on RTOS.INI is
// looked for on disk before the built-in copy. Calling it again (the disk was re-pointed)
// forgets the loaded copy and tries every source once more.
void TovEnableDiskProfiles();
