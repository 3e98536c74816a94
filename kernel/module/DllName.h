// How the loader turns the name a caller gives into the files it tries.
#pragma once

#include <string>
#include <vector>

// The file name looked for: ".dll" added when the last component has no extension; a
// trailing "." means "no extension" and is dropped.
std::string TovDllFileName(const std::string& name);

// A name with a drive letter or a directory names one file; a bare name is searched for.
bool TovDllNameHasPath(const std::string& name);

// The last component of a path ("B:\x.dll" and "b:/x.dll" give "x.dll").
std::string TovDllBaseName(const std::string& path);

// The places a file name is tried, in order: the name itself when it has a path; otherwise
// the current directory, then each directory of the environment variable PATH.
std::vector<std::string> TovDllCandidates(const std::string& fileName);
