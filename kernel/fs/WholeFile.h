// Reading a file whole, within a bound: the files read this way (settings, profiles) are
// small, and one that is not must be refused rather than take memory without limit.
#pragma once

#include <string>

#include "kernel/base/Win32Types.h"

// The largest file read whole.
constexpr DWORD TOV_WHOLE_FILE_LIMIT = DWORD{1} << 20;

// Reads `file` from its current position to its end into `bytes`. FALSE, with `bytes`
// empty, on a read error (its last error) or when the file holds more than `limit` bytes
// (ERROR_FILE_TOO_LARGE; at most `limit` + 1 bytes are read to find that out).
BOOL TovReadWholeFile(HANDLE file, std::string& bytes, DWORD limit = TOV_WHOLE_FILE_LIMIT);
