// Paths of the constant file system: a request ("B:\dir\..\x.dll", "x", "..\y") turned into
// its full, clean form "B:/dir/x.dll".
#pragma once

#include <string>

enum class CfsPathForm {
    File,       // no trailing separator (except the root)
    Directory,  // always one trailing separator
};

// Splits the request at its last separator or drive colon, drops trailing dots of the final
// name, places a relative directory under `currentDirectory` ("\" or "/dir") and cleans the
// result. A drive named in the request is ignored: the volume serves one drive.
std::string cfsFullPath(const char* request, const std::string& currentDirectory, char driveLetter,
                        CfsPathForm form, int messageLevel);

// Cleans "X:" followed by a path: `\` becomes `/`, repeated separators collapse, "." goes,
// ".." (and each further dot) removes one component more, never above the root.
std::string cfsCleanPath(const std::string& path, CfsPathForm form, int messageLevel);
