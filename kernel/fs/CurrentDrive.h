// The current drive, as the C runtime numbers drives (1 = A:, 3 = C:).
#pragma once

// The current drive's number.
int _getdrive();
// Makes the drive current; 0, or -1 (errno EACCES) when no driver serves it.
int _chdrive(int drive);
