// Named sections of the running image (the archive of drive B:, the built-in RTOS.INI).
#pragma once

#include <cstddef>

// Finds the section by its name (at most 8 characters) in the image's own section table.
// The bytes stay valid for the life of the process. False when there is no such section.
bool TovFindImageSection(const char* name, const unsigned char** data, std::size_t* size);

// The first section whose name begins with `prefix` (".CFS_"); its name, cut to 8
// characters, goes to `name`.
bool TovFindImageSectionByPrefix(const char* prefix, char (&name)[9], const unsigned char** data,
                                 std::size_t* size);

// Gives the host back the pages of the image's sections that were read so far (the archive
// of B: is read whole while the drivers load). The bytes stay valid: a later read takes
// them from the executable file again.
void TovReleaseImageSectionPages();
