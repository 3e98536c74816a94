// What tells one content of a file from another without reading it: where the file lives
// on its drive, its size and its times. A caller that keeps what a file's content was
// built from asks again later; an equal answer means the same content, provided the kept
// version was settled.
#pragma once

#include "kernel/base/Win32Types.h"

struct TovFileVersion {
    ULONGLONG volume = 0;
    ULONGLONG index = 0;  // the file's number on its volume
    ULONGLONG size = 0;
    ULONGLONG lastWrite = 0;  // FILETIME units
    ULONGLONG change = 0;     // last change of content or attributes, FILETIME units
    // Taken late enough that a later change cannot leave the version equal. Drives stamp
    // changes with a coarse clock (some keep whole seconds): a version taken within the
    // stamp's own tick may hide a change that follows it in the same tick.
    BOOL settled = FALSE;
};

// Equal when every field but `settled` is equal.
bool operator==(const TovFileVersion& a, const TovFileVersion& b);
inline bool operator!=(const TovFileVersion& a, const TovFileVersion& b) {
    return !(a == b);
}

// The version of the file at `path` (a directory has one too); FALSE with the last error
// (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ...) otherwise. On drive C: an unchanged
// file costs one host status call.
BOOL TovGetFileVersion(LPCSTR path, TovFileVersion* version);
// The version of an open file.
BOOL TovGetFileVersionByHandle(HANDLE file, TovFileVersion* version);
