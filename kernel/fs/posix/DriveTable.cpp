// Drive letters to drivers, and the current drive (C: until a directory of another drive
// becomes current).
#include "kernel/fs/posix/DriveTable.h"

#include <array>
#include <cctype>
#include <mutex>

#include "kernel/base/posix/Win32Error.h"

namespace {

constexpr int kDriveCount = 26;
constexpr int kDriveC = 2;

std::mutex gLock;
std::array<std::shared_ptr<TovDrive>, kDriveCount> gDrives;
int gCurrent = kDriveC;

}  // namespace

BOOL TovDriveFile::write(const void*, DWORD, DWORD*) {
    return TovFail(ERROR_ACCESS_DENIED, FALSE);
}
BOOL TovDriveFile::setEnd() {
    return TovFail(ERROR_ACCESS_DENIED, FALSE);
}
BOOL TovDriveFile::flush() {
    return TRUE;
}

BOOL TovDrive::space(ULONGLONG*, ULONGLONG*, ULONGLONG*) {
    return TovFail(ERROR_NOT_SUPPORTED, FALSE);
}

BOOL TovDriveFile::version(TovFileVersion* version) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!information(&info)) {
        return FALSE;
    }
    auto join = [](DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; };
    *version = TovFileVersion();
    version->volume = info.dwVolumeSerialNumber;
    version->index = join(info.nFileIndexHigh, info.nFileIndexLow);
    version->size = join(info.nFileSizeHigh, info.nFileSizeLow);
    version->lastWrite =
        join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    version->settled = TRUE;
    return TRUE;
}

BOOL TovDrive::version(LPCSTR path, TovFileVersion* version) {
    std::unique_ptr<TovDriveFile> file = open(path, GENERIC_READ, OPEN_EXISTING, 0);
    return file != nullptr && file->version(version);
}

BOOL TovDrive::setAttributes(LPCSTR, DWORD) {
    return TovFail(ERROR_WRITE_PROTECT, FALSE);
}
BOOL TovDrive::remove(LPCSTR) {
    return TovFail(ERROR_WRITE_PROTECT, FALSE);
}
BOOL TovDrive::move(LPCSTR, LPCSTR, DWORD) {
    return TovFail(ERROR_WRITE_PROTECT, FALSE);
}
BOOL TovDrive::createDirectory(LPCSTR) {
    return TovFail(ERROR_WRITE_PROTECT, FALSE);
}
BOOL TovDrive::removeDirectory(LPCSTR) {
    return TovFail(ERROR_WRITE_PROTECT, FALSE);
}

int TovRegisterDrive(int preferred, std::shared_ptr<TovDrive> drive) {
    if (drive == nullptr || preferred < -1 || preferred >= kDriveCount) {
        return TovFail(ERROR_INVALID_PARAMETER, -1);
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (preferred == -1) {
        for (int number = kDriveC; number < kDriveCount && preferred == -1; ++number) {
            if (gDrives[number] == nullptr) {
                preferred = number;
            }
        }
        if (preferred == -1) {
            return TovFail(ERROR_ACCESS_DENIED, -1);
        }
    }
    gDrives[preferred] = std::move(drive);
    return preferred;
}

BOOL TovUnregisterDrive(int number) {
    std::lock_guard<std::mutex> guard(gLock);
    if (number < 0 || number >= kDriveCount || gDrives[number] == nullptr) {
        return TovFail(ERROR_INVALID_DRIVE, FALSE);
    }
    gDrives[number] = nullptr;
    return TRUE;
}

int TovDriveNumberOf(LPCSTR path) {
    if (path != nullptr && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        return std::toupper(static_cast<unsigned char>(path[0])) - 'A';
    }
    return -1;
}

std::shared_ptr<TovDrive> TovDriveOf(LPCSTR path, int* number) {
    if (path == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, nullptr);
    }
    int drive = TovDriveNumberOf(path);
    std::lock_guard<std::mutex> guard(gLock);
    if (drive < 0) {
        drive = gCurrent;
    }
    if (gDrives[drive] == nullptr) {
        return TovFail(ERROR_PATH_NOT_FOUND, nullptr);
    }
    if (number != nullptr) {
        *number = drive;
    }
    return gDrives[drive];
}

int TovCurrentDrive() {
    std::lock_guard<std::mutex> guard(gLock);
    return gCurrent;
}

void TovSetCurrentDrive(int number) {
    std::lock_guard<std::mutex> guard(gLock);
    gCurrent = number;
}

DWORD GetLogicalDrives() {
    std::lock_guard<std::mutex> guard(gLock);
    DWORD mask = 0;
    for (int number = 0; number < kDriveCount; ++number) {
        if (gDrives[number] != nullptr) {
            mask |= DWORD{1} << number;
        }
    }
    return mask;
}

UINT GetDriveTypeA(LPCSTR root) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(root == nullptr ? "" : root);
    return drive == nullptr ? DRIVE_NO_ROOT_DIR : drive->type();
}
