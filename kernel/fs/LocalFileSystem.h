// Bringing up the local file systems: on this kernel drive C: is a host directory that is
// mounted at start, so these calls report whether it is usable.
#pragma once

#include "kernel/base/Win32Types.h"

// This kernel carries file systems.
BOOL TovFileSystemSupported();

// The hard-disk driver: TRUE when drive C: is usable (its root is a directory), else FALSE
// with ERROR_NOT_READY.
BOOL TovIDEInit();

// The local file-system layer, in levels 0 (the layer) to 3 (with its drives): TRUE when
// drive C: is usable, else FALSE with ERROR_NOT_READY; another level fails with
// ERROR_INVALID_PARAMETER.
BOOL TovLocalFSInit(DWORD level);
