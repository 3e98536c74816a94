// Identity of a file, equal for every spelling of its path.
#pragma once

#include <string>

namespace rx_fwk {

// The full path with ASCII letters upper-cased: every spelling of one path ("c:/zu-rt.ini",
// "C:\ZU-RT.INI", a relative one) gives the same identity, and different paths different
// ones. Throws FileIdError when the file does not exist.
std::string fileUniqueId(const std::string& path);

// The same, for a file that need not exist.
std::string fileUniqueIdOfPath(const std::string& path);

// The full path as the platform expands it, letter case kept; the path as given when it
// cannot be expanded.
std::string fileFullPath(const std::string& path);

}  // namespace rx_fwk
