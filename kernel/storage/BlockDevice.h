// Block devices: the kernel's table of sector devices, each served by a sector-I/O function
// that a cache may replace and later restore.
#pragma once

#include "kernel/base/Win32Types.h"

constexpr DWORD kTovSectorSize = 512;

// Reads (read != FALSE) or writes `count` sectors from `firstSector` of the device with the
// given handle; nonzero on success.
using TovSectorIo = BOOL (*)(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read);

// Most devices the table holds.
constexpr DWORD kTovMaxBlockDevices = 16;

struct TovBlockDeviceInfo {
    DWORD device;          // the handle its sector-I/O function is called with
    ULONGLONG sectors;     // size in sectors
    TovSectorIo sectorIo;  // the function requests go through now
};

// Adds a device served by `sectorIo` under a handle of the driver's choosing (unique in the
// table). Answers its index (stable until it is unregistered), or -1 with the last error:
// ERROR_INVALID_PARAMETER for a null function, ERROR_ALREADY_EXISTS for a handle in use,
// ERROR_TOO_MANY_OPEN_FILES when the table is full.
int TovRegisterBlockDevice(DWORD device, ULONGLONG sectors, TovSectorIo sectorIo);
// Frees the device's entry; FALSE with ERROR_DEV_NOT_EXIST when there is none.
BOOL TovUnregisterBlockDevice(DWORD device);

// Entries of the table: indexes 0 to count - 1, of which unregistered ones are empty.
DWORD TovBlockDeviceCount();
// FALSE with ERROR_DEV_NOT_EXIST for an empty or missing entry.
BOOL TovGetBlockDevice(DWORD index, TovBlockDeviceInfo* info);
// The index of the device with this handle, or -1 (ERROR_DEV_NOT_EXIST).
int TovBlockDeviceIndex(DWORD device);

// Replaces the sector-I/O function of an entry and answers the one it had (null with
// ERROR_DEV_NOT_EXIST or ERROR_INVALID_PARAMETER, nothing changed).
TovSectorIo TovSetSectorIo(DWORD index, TovSectorIo sectorIo);

// One request through the device's current sector-I/O function. FALSE with
// ERROR_DEV_NOT_EXIST for an unknown device, ERROR_SECTOR_NOT_FOUND for sectors beyond its
// end, and ERROR_READ_FAULT or ERROR_WRITE_FAULT when the function fails.
BOOL TovBlockDeviceIo(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read);
