// Replacing a file's whole content so that a crash or power loss at any moment leaves the
// old content or the new one, never an empty or torn file.
#pragma once

#include "kernel/base/Win32Types.h"
#include "kernel/fs/FileVersion.h"

// Writes `size` bytes to "<path>.tmp" in the same directory, flushes them to the disk and
// renames the result over `path` (which need not exist). A read-only file is not replaced
// (ERROR_ACCESS_DENIED), as an in-place write could not open it. `written`, when given,
// receives the new file's version as taken before the rename: it describes these bytes
// and no change that lands after them. FALSE with the last error on failure; a temporary
// file is then removed, and `path` is as it was.
BOOL TovReplaceFileContents(LPCSTR path, const void* data, DWORD size,
                            TovFileVersion* written = nullptr);
