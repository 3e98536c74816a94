// Drive C: on the host directory the kernel was started with.
#pragma once

// Serves the directory of the started options as drive C: and makes C: the current drive;
// the options then hold its absolute path. False, with the reason on standard error, when
// the directory cannot be used.
bool TovMountLocalDisk();
