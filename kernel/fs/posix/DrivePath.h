// Win32 paths of a drive, taken apart without touching the disk: `\` or `/` separators, an
// optional drive letter, relative to the drive's current directory, `.` and `..` resolved
// and `..` stopping at the drive root.
#pragma once

#include <string>
#include <vector>

#include "kernel/base/Win32Types.h"

using TovPathComponents = std::vector<std::string>;

enum class TovNameCheck {
    None,     // any characters (full path names)
    Names,    // file and directory names: no wildcards or reserved characters
    Pattern,  // as Names, but the last component may hold `*` and `?`
};

struct TovDrivePath {
    TovPathComponents components;  // from the drive root
    bool trailingSeparator = false;
};

// 0 or the Win32 error (ERROR_PATH_NOT_FOUND for an empty path, ERROR_INVALID_NAME,
// ERROR_FILENAME_EXCED_RANGE when the full path would not fit in MAX_PATH).
DWORD TovParseDrivePath(LPCSTR path, const TovPathComponents& currentDirectory, TovNameCheck check,
                        TovDrivePath& parsed);

// "C:\dir\name", or "C:\" for the root.
std::string TovJoinDrivePath(char letter, const TovPathComponents& components);

// Win32 file-name match: `*` and `?`, without regard to case; a trailing `.*` of the pattern
// also matches a name without an extension ("*.*" matches every name), and a trailing `.`
// matches only names without one ("*.").
bool TovMatchNamePattern(const std::string& pattern, const std::string& name);
