// The constant file system: ZIP archives in memory served as read-only drives. The image's
// own archive (section ".CFS_B") becomes drive B: during the kernel's start-up.
#pragma once

#include <cstddef>

// Builds the file table of the image's first ".CFS_x" section and serves it as drive x.
// Runs once; failures leave no table and the last error (13 no section or a damaged
// archive, 8 no memory, 5 the kernel refused the drive); the drive of a damaged archive
// then answers every request with 21.
void TovConstFSInit();

// Serves an archive held in memory as a drive: `preferred` is the drive number (0 = A:), or
// -1 for the first free one. The bytes must stay for as long as the drive serves them.
// Answers the drive number, or -1 with the last error as for TovConstFSInit. An archive that
// cannot be read leaves the preferred drive served but not ready: every request on it fails
// with ERROR_NOT_READY (21).
int TovConstFSMount(const unsigned char* archive, std::size_t size, int preferred);
