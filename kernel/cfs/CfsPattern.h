// The search pattern match of the constant file system (FindFirstFile, FindNextFile).
#pragma once

#include <cstddef>

// Matches a pattern ("/drivers/*.*", leading separator skipped) against an archive name,
// case-blind. `?` is any one character; `*` any run of characters within one directory level.
// Where the name ends and the pattern goes on with `.`, the dot and the rest must match
// nothing, so "*.*" also finds names without an extension.
bool cfsPatternMatch(const char* pattern, const char* name, std::size_t nameLength);
