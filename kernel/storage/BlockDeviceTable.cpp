// The block-device table. Requests read an entry's function under the table's lock and call
// it outside, so a slow device never holds up the table.
#include <array>
#include <mutex>

#include "kernel/base/LastError.h"
#include "kernel/storage/BlockDevice.h"

namespace {

struct Entry {
    bool used = false;
    TovBlockDeviceInfo info{};
};

std::mutex gLock;
std::array<Entry, kTovMaxBlockDevices> gEntries;
DWORD gCount = 0;  // entries ever used: the highest index + 1

template <typename T>
T fail(DWORD error, T failure) {
    SetLastError(error);
    return failure;
}

int indexOf(DWORD device) {
    for (DWORD index = 0; index < gCount; ++index) {
        if (gEntries[index].used && gEntries[index].info.device == device) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

}  // namespace

int TovRegisterBlockDevice(DWORD device, ULONGLONG sectors, TovSectorIo sectorIo) {
    if (sectorIo == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, -1);
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (indexOf(device) >= 0) {
        return fail(ERROR_ALREADY_EXISTS, -1);
    }
    for (DWORD index = 0; index < kTovMaxBlockDevices; ++index) {
        if (!gEntries[index].used) {
            gEntries[index].used = true;
            gEntries[index].info = TovBlockDeviceInfo{device, sectors, sectorIo};
            gCount = index + 1 > gCount ? index + 1 : gCount;
            return static_cast<int>(index);
        }
    }
    return fail(ERROR_TOO_MANY_OPEN_FILES, -1);
}

BOOL TovUnregisterBlockDevice(DWORD device) {
    std::lock_guard<std::mutex> guard(gLock);
    int index = indexOf(device);
    if (index < 0) {
        return fail(ERROR_DEV_NOT_EXIST, FALSE);
    }
    gEntries[index] = Entry{};
    while (gCount > 0 && !gEntries[gCount - 1].used) {
        --gCount;
    }
    return TRUE;
}

DWORD TovBlockDeviceCount() {
    std::lock_guard<std::mutex> guard(gLock);
    return gCount;
}

BOOL TovGetBlockDevice(DWORD index, TovBlockDeviceInfo* info) {
    if (info == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (index >= gCount || !gEntries[index].used) {
        return fail(ERROR_DEV_NOT_EXIST, FALSE);
    }
    *info = gEntries[index].info;
    return TRUE;
}

int TovBlockDeviceIndex(DWORD device) {
    std::lock_guard<std::mutex> guard(gLock);
    int index = indexOf(device);
    return index >= 0 ? index : fail(ERROR_DEV_NOT_EXIST, -1);
}

TovSectorIo TovSetSectorIo(DWORD index, TovSectorIo sectorIo) {
    if (sectorIo == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, static_cast<TovSectorIo>(nullptr));
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (index >= gCount || !gEntries[index].used) {
        return fail(ERROR_DEV_NOT_EXIST, static_cast<TovSectorIo>(nullptr));
    }
    TovSectorIo previous = gEntries[index].info.sectorIo;
    gEntries[index].info.sectorIo = sectorIo;
    return previous;
}

BOOL TovBlockDeviceIo(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read) {
    if (buffer == nullptr && count != 0) {
        return fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    TovSectorIo sectorIo = nullptr;
    {
        std::lock_guard<std::mutex> guard(gLock);
        int index = indexOf(device);
        if (index < 0) {
            return fail(ERROR_DEV_NOT_EXIST, FALSE);
        }
        if (ULONGLONG{firstSector} + count > gEntries[index].info.sectors) {
            return fail(ERROR_SECTOR_NOT_FOUND, FALSE);
        }
        sectorIo = gEntries[index].info.sectorIo;
    }
    if (count == 0) {
        return TRUE;
    }
    if (!sectorIo(device, firstSector, buffer, count, read)) {
        return fail(read ? ERROR_READ_FAULT : ERROR_WRITE_FAULT, FALSE);
    }
    return TRUE;
}
