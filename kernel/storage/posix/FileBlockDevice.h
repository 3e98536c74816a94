// Block devices on host files: a raw image of 512-byte sectors per --block-device option.
#pragma once

#include <string>

// Opens the image (read and write, or read only where the host allows no more) and adds it
// to the block-device table under the next BIOS-style handle (0x80, 0x81, ...). Answers the
// table index, or -1 with the reason on standard error. Bytes after the last whole sector
// are not part of the device.
int TovAttachBlockDeviceFile(const std::string& path);
